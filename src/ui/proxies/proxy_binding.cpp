// See proxy_binding.h.
#include "ui/proxies/proxy_binding.h"

#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include "files/data_folder.h"
#include "files/proxy_file.h"
#include "ui/common/error_box.h"
#include "ui/options/options_window.h"
#include "ui/proxies/proxy_window.h"

namespace valo::ui {

bool openProxyDialog(QWidget* parent) {
  const QString path = files::proxiesFilePath();
  const QString before = QString::fromStdString(files::readProxyFile(path));
  ProxyWindow window(parent);
  window.setListText(before);
  const QString shown = window.listText();  // line ends as the box keeps them
  if (window.exec() != QDialog::Accepted) return false;
  // An unchanged list keeps the file exactly as it is, line ends included.
  const QString after = window.listText();
  if (after == shown) return false;
  QString text = after;
  if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
  files::writeProxyFile(path, text.toStdString());
  return true;
}

void addProxyCommand(OptionsWindow& window) {
  auto* button = new QPushButton(QStringLiteral("代理设置(&P)…"), &window);
  button->setObjectName(QStringLiteral("ProxiesButton"));
  window.commandsArea()->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, &window, [&window] { guarded([&] { openProxyDialog(&window); }); });
}

}  // namespace valo::ui
