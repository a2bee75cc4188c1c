// See run_binding.h.
#include "ui/main/run_binding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QToolButton>
#include <QTimer>
#include <QTreeView>
#include <QWebEnginePage>

#include "text/app_error.h"
#include "ui/browser/application_proxy.h"
#include "ui/browser/web_browser.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/main/keyword_box.h"
#include "ui/main/main_window_controls.h"
#include "ui/main/result_list_model.h"
#include "ui/main/status_bar.h"

namespace valo::ui {

RunBinding::RunBinding(QWidget& window, MainWindowControls& controls, ResultListModel& results,
                       KeywordBox& keywords, RunHooks hooks)
    : window_(window), c_(controls), results_(results), keywords_(keywords), hooks_(std::move(hooks)) {
  proxySwitch_ = std::make_unique<WebEngineProxySwitch>(c_.WebBrowser1->page()->profile());
  session_ = std::make_unique<session::SearchSession>(*this, *this, *c_.WebBrowser1);
  c_.Timer1 = &session_->timer(1);
  c_.Timer2 = &session_->timer(2);
  c_.Timer3 = &session_->timer(3);
}

RunBinding::~RunBinding() = default;

files::ProgressValues RunBinding::progressValues(std::int32_t keywordIndex) {
  files::ProgressValues v;
  v.engineText = engineText();
  v.keywordIndex = keywordIndex;
  v.dedupTicked = c_.CheckBox1->isChecked();
  std::int32_t seconds = 0;
  v.intervalSeconds = tryStrToInt(toGbk(c_.SpinEdit1->text()), seconds) ? seconds : c_.SpinEdit1->minimum();
  return v;
}

// --- search::RunWindow --------------------------------------------------

int RunBinding::keywordLineCount() {
  // Between two keywords of a feed there is none to search.
  if (feed_) return feed_->keyword().empty() ? 0 : 1;
  return keywords_.lines().count();
}
GbkString RunBinding::keywordLine(int index) {
  return feed_ ? feed_->keyword() : GbkString(keywords_.lines().line(index));
}
GbkString RunBinding::engineText() {
  return feed_ ? feed_->engine() : toGbk(c_.ComboBox1->currentText());
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
  // A halted search stopped without an end step is over as well. A search
  // that is over shows every number it found.
  if (phase == search::RunPhase::Idle) {
    showRunProgress({});
    showList();
    if (feed_) feed_->runIdle();
  }
}
void RunBinding::repaintWindow() {
  window_.repaint();
}
void RunBinding::clearResultList() {
  if (feed_ && !feed_->clearsList()) return;
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
  // A fed search is one keyword long: it starts at its first line unasked.
  if (feed_) return GbkString("0");
  std::optional<QString> answer =
      dialogs::inputQuery(&window_, fromGbk(caption), fromGbk(prompt), fromGbk(initial));
  if (!answer) return std::nullopt;
  return toGbk(*answer);
}
void RunBinding::searchEnded(std::int32_t foundCount, const GbkString& endText) {
  showList();
  if (feed_) feed_->searchEnded(foundCount);
  if (hooks_.searchEnded) hooks_.searchEnded(foundCount, endText);
}
void RunBinding::blockedEpisodeBegan(const GbkString& statusText) {
  if (hooks_.blockedEpisodeBegan) hooks_.blockedEpisodeBegan(statusText);
}

// --- session::SessionWindow ------------------------------------------------

void RunBinding::reportError(std::exception_ptr error) {
  showStandardError(error);
}
void RunBinding::showRunProgress(const GbkString& text) {
  if (hooks_.runProgress) hooks_.runProgress(fromGbk(text));
}
search::ProxySwitch* RunBinding::proxySwitch() {
  return proxySwitch_.get();
}
void RunBinding::pageHarvested(const harvest::PageSource&) {
  if (feed_) feed_->pageHarvested();
}

// --- session::ResultList ---------------------------------------------------

bool RunBinding::dedupTicked() {
  return c_.CheckBox1->isChecked();
}
bool RunBinding::hasCaption(std::string_view caption) {
  return results_.numbers().contains(caption);
}
void RunBinding::addNumber(const GbkString& number) {
  results_.appendLater(number);
  showListSoon();
}
void RunBinding::showFoundCount(std::int32_t count) {
  foundCount_ = count;
  showListSoon();
}
// The list and the count are shown once the handler that found the numbers
// is done: one insertion and one scroll for a page's numbers, however many.
void RunBinding::showListSoon() {
  if (listShowQueued_) return;
  listShowQueued_ = true;
  QTimer::singleShot(0, &window_, [this] { showList(); });
}
void RunBinding::showList() {
  listShowQueued_ = false;
  if (results_.flush()) {
    c_.ListView1->setUpdatesEnabled(false);
    c_.ListView1->scrollTo(results_.index(results_.rowCount() - 1), QAbstractItemView::EnsureVisible);
    c_.ListView1->setUpdatesEnabled(true);
  }
  if (foundCount_) c_.StatusBar1->setPanelText(5, QString::number(*foundCount_));
  foundCount_.reset();
}

// --- files::ProgressTarget ------------------------------------------------

void RunBinding::setEngineText(const GbkString& text) {
  c_.ComboBox1->setEditText(fromGbk(text));
}
void RunBinding::setKeywordIndex(std::int32_t index) {
  driver().state().KeywordIndex = index;
}
void RunBinding::setDedupTicked(bool ticked) {
  c_.CheckBox1->setChecked(ticked);
}
void RunBinding::setIntervalSeconds(std::int32_t seconds) {
  c_.SpinEdit1->setValue(seconds);
}

}  // namespace valo::ui
