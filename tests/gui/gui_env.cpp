// See gui_env.h.
#include "gui_env.h"

#include <sys/fsuid.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include "files/data_folder.h"
#include "ui/main/status_bar.h"

namespace valo::testing {

QList<QUrl> gOpenedUrls;

QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size());
}

AsOrdinaryUser::AsOrdinaryUser() {
  if (::geteuid() != 0) return;
  ::setfsuid(65534);
  // setfsuid reports the previous value; asking again tells whether it took.
  switched_ = ::setfsuid(65534) == 65534;
  if (!switched_) ADD_FAILURE() << "could not act as an ordinary user";
}

AsOrdinaryUser::~AsOrdinaryUser() {
  if (switched_) ::setfsuid(0);
}

void GuiTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  folder_ = dir_.path() + QLatin1Char('/');
  files::setDataFolderOverride(folder_);
  ui::dialogs::enableTestHooks(true);
  gOpenedUrls.clear();
  gEngine->clearRequests();
  gEngine->fallback = [](const RecordedRequest&) { return PageMode::NoPager; };
}

void GuiTest::TearDown() {
  windows_.reset();
  files::setDataFolderOverride(QString());
}

void GuiTest::start() {
  windows_ = std::make_unique<ui::ProgramWindows>();
  form().localAddress = [] { return std::string("192.0.2.10"); };
  form().pauseMs = [](int) {};
  form().driver().setMillisecondsPerSecond(200);
  form().show();
  QApplication::processEvents();
}

QString GuiTest::status(int panel) const {
  return form().StatusBar1->panelText(panel);
}

void whileModal(std::function<void(QWidget* modal)> inside) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [inside, tries, poll] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      // Not up yet: look again shortly, but never forever.
      if (++*tries < 200) QTimer::singleShot(10, *poll);
      return;
    }
    inside(modal);
    // Whatever `inside` did, the modal loop must end.
    if (modal->isVisible()) {
      ADD_FAILURE() << "the modal window was still open; closing it";
      modal->hide();
    }
  };
  QTimer::singleShot(0, *poll);
}

}  // namespace valo::testing
