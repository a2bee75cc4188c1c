// See tray_binding.h.
#include "ui/main/tray_binding.h"

#include <QMenu>

#include "ui/common/app_texts.h"
#include "ui/common/error_box.h"
#include "ui/main/main_commands.h"
#include "ui/main/minimise_to_tray.h"
#include "ui/main/tform1.h"
#include "ui/resources/icons.h"
#include "ui/tray/ant_taskbar_icon.h"

namespace valo::ui {
namespace {

constexpr const char* kHint = "『Valo传真搜索』V2.1";

}  // namespace

TrayBinding::TrayBinding(TForm1& form, std::function<bool()> trayPresent) : form_(form) {
  form.PopupMenu1 = new QMenu(&form);
  form.PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  buildTrayMenu(form);
  form.N17->setEnabled(false);  // the window is on screen
  minimiser_ = std::make_unique<MinimiseToTray>(form, *form.N17, *form.N18, std::move(trayPresent));

  TantTaskbarIcon* icon = new TantTaskbarIcon(&form);
  form.antTaskbarIcon1 = icon;
  icon->setObjectName(QStringLiteral("antTaskbarIcon1"));
  // Applied in the order the window lists them: the icon enters the tray as
  // soon as Visible is set, and is shown again once all are in place.
  icon->SetIcon(programIcon());
  icon->SetVisible(true);
  icon->SetHint(gbk(kHint));
  icon->SetPopupMenu(form.PopupMenu1);
  icon->OnClick = [&form](QObject*) { guarded([&] { form.N17Click(); }); };
  icon->Loaded();
}

TrayBinding::~TrayBinding() = default;

void TrayBinding::minimise() {
  minimiser_->minimise();
}

void TrayBinding::show() {
  minimiser_->show();
}

bool TrayBinding::windowStateChanged(Qt::WindowStates oldState) {
  return minimiser_->stateChanged(oldState);
}

void TrayBinding::tellWhileHidden(const QString& text) {
  if (minimiser_->hiddenInTray()) form_.antTaskbarIcon1->ShowBalloon(applicationTitle(), text);
}

void TrayBinding::showRunProgress(const QString& text) {
  const GbkString hint = gbk(kHint);
  form_.antTaskbarIcon1->SetHint(text.isEmpty() ? hint : hint + "\n" + toGbk(text));
}

void TrayBinding::remove() {
  form_.antTaskbarIcon1->SetVisible(false);
}

}  // namespace valo::ui
