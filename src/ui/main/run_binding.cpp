// See run_binding.h.
#include "ui/main/run_binding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWebEnginePage>

#include "files/data_folder.h"
#include "text/app_error.h"
#include "ui/common/dialogs.h"
#include "ui/main/keyword_box.h"
#include "ui/main/main_window_controls.h"
#include "ui/main/result_list_model.h"
#include "ui/main/status_bar.h"
#include "ui/browser/application_proxy.h"
#include "ui/browser/web_browser.h"
#include "ui/proxies/proxy_binding.h"

namespace valo::ui {
namespace {

QTimer* runTimer(QWidget& window, const char* name, int interval) {
  auto* timer = new QTimer(&window);
  timer->setObjectName(QLatin1String(name));
  if (interval > 0) timer->setInterval(interval);
  return timer;
}

}  // namespace

RunBinding::RunBinding(QWidget& window, MainWindowControls& controls, ResultListModel& results,
                       KeywordBox& keywords, RunHooks hooks)
    : window_(window),
      c_(controls),
      results_(results),
      keywords_(keywords),
      hooks_(std::move(hooks)),
      autosave_([] { return files::dataFolder(); }, [] { return QDateTime::currentDateTime(); }) {
  c_.Timer1 = runTimer(window, "Timer1", 8000);
  c_.Timer2 = runTimer(window, "Timer2", 60000);
  c_.Timer3 = runTimer(window, "Timer3", 0);
  timer1_ = std::make_unique<QtRunTimer>(c_.Timer1);
  timer2_ = std::make_unique<QtRunTimer>(c_.Timer2);
  timer3_ = std::make_unique<QtRunTimer>(c_.Timer3);

  search::RunServices services{[this] { return hooks_.localAddress(); },
                               [this] { hooks_.clearBrowserData(); },
                               [this] { files::SaveProgress(files::progressFilePath(), progressValues()); },
                               [this](int ms) { hooks_.pause(ms); }};
  services.checkpointProgress = [this] { files::SaveProgress(files::progressFilePath(), progressValues()); };
  // The store opens with the window, so that a store set aside is told
  // before any search and no search waits for the opening.
  store_ = std::make_unique<files::store::NumberStore>(files::storeFilePath(),
                                                          [] { return QDateTime::currentDateTime(); });
  if (const GbkString notice = store_->takeNotice(); !notice.empty()) setStatusText(6, notice);
  services.startAutosave = [this] {
    autosave_.begin();
    // The start line has been taken by now: the search began at the one before.
    store_->beginSearch({engineText(), intervalSeconds(), driver_->state().KeywordIndex - 1});
  };
  services.autosaveNumber = [this](const GbkString& number) { autosave_.add(number); };
  services.flushAutosave = [this] { return autosave_.flush(); };
  services.pageRead = [this](const search::PageSource& page) {
    store_->beginPage({page.keyword, page.keywordLine, page.engine, page.address});
  };
  services.commitStore = [this] { return store_->commit(); };
  services.clockAfter = [](int ms) {
    return toGbk(QTime::currentTime().addMSecs(ms).toString(QStringLiteral("HH:mm:ss")));
  };
  proxySwitch_ = std::make_unique<WebEngineProxySwitch>(c_.WebBrowser1->page()->profile());
  services.loadProxies = [] { return loadProxies(); };
  services.proxySwitch = proxySwitch_.get();
  driver_ = std::make_unique<search::SearchRunDriver>(*this, *c_.WebBrowser1, *timer1_, *timer2_, *timer3_,
                                                      std::move(services));
}

RunBinding::~RunBinding() = default;

files::ProgressValues RunBinding::progressValues() {
  files::ProgressValues v;
  v.engineText = engineText();
  v.keywordIndex = driver_->state().KeywordIndex;
  v.dedupTicked = c_.CheckBox1->isChecked();
  std::int32_t seconds = 0;
  v.intervalSeconds = tryStrToInt(toGbk(c_.SpinEdit1->text()), seconds) ? seconds : c_.SpinEdit1->minimum();
  return v;
}

// --- search::RunWindow --------------------------------------------------

int RunBinding::keywordLineCount() {
  return keywords_.lines().count();
}
GbkString RunBinding::keywordLine(int index) {
  return GbkString(keywords_.lines().line(index));
}
GbkString RunBinding::engineText() {
  return toGbk(c_.ComboBox1->currentText());
}
std::int32_t RunBinding::intervalSeconds() {
  return c_.SpinEdit1->value();
}
void RunBinding::setStatusText(int panel, const GbkString& text) {
  c_.StatusBar1->setPanelText(panel, fromGbk(text));
}
void RunBinding::showRunPhase(search::RunPhase phase) {
  c_.SpeedButton2->setEnabled(search::searchAllowedIn(phase));
  c_.SpeedButton3->setEnabled(!search::searchAllowedIn(phase));
}
void RunBinding::repaintWindow() {
  window_.repaint();
}
void RunBinding::clearResultList() {
  results_.clear();
}
void RunBinding::showInformation(const GbkString& text) {
  dialogs::showInformation(&window_, fromGbk(text));
}
void RunBinding::showMessage(const GbkString& text) {
  dialogs::showMessage(&window_, fromGbk(text));
}
std::optional<GbkString> RunBinding::inputQuery(const GbkString& caption, const GbkString& prompt,
                                                const GbkString& initial) {
  std::optional<QString> answer =
      dialogs::inputQuery(&window_, fromGbk(caption), fromGbk(prompt), fromGbk(initial));
  if (!answer) return std::nullopt;
  return toGbk(*answer);
}
void RunBinding::searchEnded(std::int32_t foundCount, const GbkString& endText) {
  store_->endSearch({driver_->refusedInSearch(), foundCount, endText});
  if (hooks_.searchEnded) hooks_.searchEnded(foundCount, endText);
}
void RunBinding::blockedEpisodeBegan(const GbkString& statusText) {
  if (hooks_.blockedEpisodeBegan) hooks_.blockedEpisodeBegan(statusText);
}

// --- harvest::ExtractionSink ----------------------------------------------

bool RunBinding::dedupTicked() {
  return c_.CheckBox1->isChecked();
}
bool RunBinding::hasCaption(std::string_view caption) {
  return results_.numbers().contains(caption);
}
void RunBinding::addNumber(const GbkString& number) {
  c_.ListView1->setUpdatesEnabled(false);
  results_.append(number);
  c_.ListView1->scrollTo(results_.index(results_.rowCount() - 1), QAbstractItemView::EnsureVisible);
  c_.ListView1->setUpdatesEnabled(true);
}
void RunBinding::showFoundCount(std::int32_t count) {
  c_.StatusBar1->setPanelText(5, QString::number(count));
}
bool RunBinding::wideReading() {
  return hooks_.options && hooks_.options().wideReading;
}

bool RunBinding::knownBefore(std::string_view number) {
  return hooks_.options && hooks_.options().historyDedup && store_->knownBefore(number);
}
void RunBinding::sighted(const GbkString& number, std::string_view line, harvest::Sighting what) {
  store_->sighted(number, line, what);
}

// --- files::ProgressTarget ------------------------------------------------

void RunBinding::setEngineText(const GbkString& text) {
  c_.ComboBox1->setEditText(fromGbk(text));
}
void RunBinding::setKeywordIndex(std::int32_t index) {
  driver_->state().KeywordIndex = index;
}
void RunBinding::setDedupTicked(bool ticked) {
  c_.CheckBox1->setChecked(ticked);
}
void RunBinding::setIntervalSeconds(std::int32_t seconds) {
  c_.SpinEdit1->setValue(seconds);
}

}  // namespace valo::ui
