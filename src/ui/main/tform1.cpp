// See tform1.h: the window's start-up and exit steps, and its handlers, each
// handing over to the object that acts.
#include "ui/main/tform1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QPalette>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include "env/network_check.h"
#include "files/data_folder.h"
#include "ui/browser/web_browser.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/app_texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/main/engines_binding.h"
#include "ui/main/file_commands.h"
#include "ui/main/keyword_box.h"
#include "ui/main/keyword_file_binding.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window_layout.h"
#include "ui/main/result_list_model.h"
#include "ui/main/run_binding.h"
#include "ui/main/status_bar.h"
#include "ui/main/tray_binding.h"
#include "ui/main/window_font.h"
#include "ui/options/options_binding.h"
#include "ui/options/options_window.h"
#include "ui/proxies/proxy_binding.h"
#include "ui/team/team_upload.h"
#include "ui/resources/icons.h"
#include "ui/shell/shell_open.h"
#include "ui/store/store_binding.h"
#include "ui/team/team_queue_binding.h"
#include "files/program_options.h"
#include "ui/team/team_store_holder.h"
#include "ui/team/team_store_view.h"

namespace valo::ui {
namespace {

// Connects a signal to one of the window's handlers through guarded().
template <typename Sender, typename Signal>
void bind(TForm1* form, Sender* sender, Signal signal, void (TForm1::*handler)()) {
  QObject::connect(sender, signal, form, [form, handler] { guarded([&] { (form->*handler)(); }); });
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      localAddress([] { return env::GetLocalIPAddress(); }),
      pauseMs([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }),
      trayAvailable([] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      results_(std::make_unique<ResultListModel>()),
      keywordStore_(files::keywordReadPath(), files::keywordFilePath()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(productCaption() + QStringLiteral("  ") + contactLine());
  setWindowIcon(programIcon());
  setFont(windowFont());
  resize(567, 409);  // client area of the 575 x 436 window

  layOutMainWindow(*this, *this, results_.get());
  buildToolbar(*this);
  keywords_ = std::make_unique<KeywordBox>(*Memo2);
  keywords_->setText(defaultKeywordText());

  teamStores_ = std::make_unique<TeamStoreHolder>();
  run_ = std::make_unique<RunBinding>(
      *this, *this, *results_, *keywords_,
      RunHooks{[this] { return localAddress(); },
               [this] {
                 if (delform != nullptr) delform->SpeedButton4->click();
               },
               [this](int ms) { pauseMs(ms); },
               [this](std::int32_t found, const GbkString& endText) {
                 // Someone who left the window in the tray learns of the end
                 // there, and of why it came early.
                 tray_->tellWhileHidden(fromGbk(endText) + QStringLiteral("号码：%1").arg(found));
               },
               // An unattended run that an engine holds up must not wait unseen.
               [this](const GbkString& status) { tray_->tellWhileHidden(fromGbk(status)); },
               [this](const QString& progress) {
                 StatusBar1->setTrailingText(progress);
                 tray_->showRunProgress(progress);
               }});
  options_ = std::make_unique<OptionsBinding>(run_->session().options());
  options_->furnish = [this](OptionsWindow& window) {
    addProxyCommand(window);
    addTeamUploadCommand(window, [this] {
      KeywordListToUpload list;
      const TextLines& lines = keywords_->lines();
      for (int i = 0; i < lines.count(); ++i) list.keywords.push_back(utf8FromGbk(lines.line(i)));
      list.engine = ComboBox1->currentText().toStdString();
      return list;
    });
  };
  // The session's timers call the run's handlers themselves.
  bind(this, Button1, &QPushButton::clicked, &TForm1::Button1Click);
  bind(this, BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
  WebBrowser1->OnDocumentComplete = [this] { WebBrowser1DocumentComplete(); };

  fileCommands_ =
      std::make_unique<FileCommands>(*this, *results_, *StatusBar1, [this] { return run_->progressValues(); });
  tray_ = std::make_unique<TrayBinding>(*this, [this] { return trayAvailable(); });
  keywordFile_ = std::make_unique<KeywordFileBinding>(*keywords_, keywordStore_, [this](const QString& path) {
    StatusBar1->setPanelText(6, QStringLiteral("关键字列表保存失败：") + path);
  });
  engines_ = std::make_unique<EnginesBinding>(*ComboBox1, *this, run_->session().engines());
  store_ = std::make_unique<StoreBinding>(*this, *run_->session().numberStore());
  teamStore_ = std::make_unique<TeamStoreView>(*store_, *teamStores_);
  teamQueue_ = std::make_unique<TeamQueueBinding>(*this, *run_, *teamStores_, [this] { N2Click(); });
  FormCreate();
}

TForm1::~TForm1() {
  FormDestroy();
}

// Start-up's steps of the window, in order. A failing step is shown in the
// standard error box and the later steps are skipped; the window still opens.
void TForm1::FormCreate() {
  driver().state().PageLines.clear();
  QPalette hints = QToolTip::palette();
  hints.setColor(QPalette::ToolTipBase, QColor(0, 255, 0));
  QToolTip::setPalette(hints);
  // The engines file comes first and on its own: its faults are told once
  // and never keep the keyword and progress files from loading.
  try {
    engines_->load();
  } catch (...) {
    showStandardError(std::current_exception());
  }
  // The application's minimise event runs N18Click: see changeEvent.
  try {
    if (std::optional<GbkString> text = keywordStore_.load()) setKeywordText(*text);
    files::LoadProgress(files::progressReadPath(), *run_);
  } catch (...) {
    showStandardError(std::current_exception());
  }
}

void TForm1::FormDestroy() {
  // A file that failed to load is never replaced by the default lines.
  keywordFile_->saveAtExit();
  driver().state().PageLines.clear();
}

bool TForm1::FormCloseQuery() {
  return dialogs::confirm(this, QStringLiteral("确认退出Valo传真搜索吗?")) != dialogs::Confirmation::No;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  tray_->remove();
  QApplication::quit();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The application's minimise event runs Minimise to tray once the window
  // system has finished minimising.
  if (tray_->windowStateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState()))
    QTimer::singleShot(0, this, [this] { guarded([this] { N18Click(); }); });
}

search::SearchRunDriver& TForm1::driver() {
  return run_->driver();
}
session::SearchSession& TForm1::session() {
  return run_->session();
}
QString TForm1::autosavePath() const {
  return run_->session().autosavePath();
}

GbkString TForm1::keywordText() const {
  return keywords_->text();
}
void TForm1::setKeywordText(const GbkString& text) {
  keywords_->setText(text);
}
void TForm1::appendKeywordLines(const std::vector<GbkString>& lines) {
  keywords_->appendLines(lines);
}
int TForm1::keywordLineCount() {
  return run_->keywordLineCount();
}
GbkString TForm1::keywordLine(int index) {
  return run_->keywordLine(index);
}

void TForm1::showMessage(const GbkString& text) {
  run_->showMessage(text);
}
void TForm1::showInformation(const GbkString& text) {
  run_->showInformation(text);
}

// --- the run's handlers ----------------------------------------------------

void TForm1::N2Click() {
  // The list a search walks is on disk before it starts.
  keywordFile_->saveEdits();
  driver().N2Click();
}
void TForm1::N3Click() {
  driver().N3Click();
}
void TForm1::Button1Click() {
  driver().Button1Click();
}
void TForm1::BitBtn1Click() {
  driver().BitBtn1Click();
}
void TForm1::Timer1Timer() {
  driver().Timer1Timer();
}
void TForm1::Timer2Timer() {
  driver().Timer2Timer();
}
void TForm1::Timer3Timer() {
  driver().Timer3Timer();
}
void TForm1::WebBrowser1DocumentComplete() {
  driver().WebBrowser1DocumentComplete();
}

// --- commands ----------------------------------------------------------------

void TForm1::N5Click() {
  fileCommands_->saveResults();
}
void TForm1::SpeedButton8Click() {
  fileCommands_->saveProgress();
}
void TForm1::SpeedButton1Click() {
  fileCommands_->mergeLists();
}
void TForm1::N20Click() {
  if (Form3 != nullptr) Form3->exec();
}
void TForm1::N15Click() {
  if (Form2 != nullptr) Form2->exec();
}
void TForm1::SpeedButton4Click() {
  openUrl(QUrl(homePageAddress()));
}
void TForm1::N14Click() {
  openUrl(QUrl(contactMailAddress()));
}
void TForm1::SpeedButton10Click() {
  close();
}
void TForm1::N23Click() {
  close();
}
void TForm1::N24Click() {
  engines_->openInEditor();
}
void TForm1::N25Click() {
  engines_->load();
}
void TForm1::N26Click() {
  store_->open();
  const files::ProgramOptions& options = session().options().current();
  teamStore_->attach(*store_->window(), options.teamConnection, files::machineNameOf(options));
}
void TForm1::N27Click() {
  openProxyDialog(this);
}
void TForm1::N28Click() {
  options_->edit(this);
}
void TForm1::N29Click() {
  teamQueue_->open();
}
void TForm1::N17Click() {
  tray_->show();
}
void TForm1::N18Click() {
  tray_->minimise();
}

}  // namespace valo::ui
