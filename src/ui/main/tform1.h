// `TForm1`, the main window: the keyword box, the settings, the result list,
// the embedded browser, the toolbar, the tray icon and the hidden controls
// the search run uses. It binds the controls to the run and the file tools.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "files/keyword_store.h"
#include "files/progress_file.h"
#include "files/result_autosave.h"
#include "search/run_driver.h"
#include "ui/main/qt_run_timer.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class QTreeView;

namespace valo::ui {

class MinimiseToTray;
class PanelStatusBar;
class ResultListModel;
class TantTaskbarIcon;
class Tdelform;
class WebBrowser;

class TForm1 : public QWidget,
               public search::RunWindow,
               public harvest::ExtractionSink,
               public files::ProgressTarget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The other windows, created after this one (start-up order).
  QDialog* Form2 = nullptr;
  QDialog* Form3 = nullptr;
  Tdelform* delform = nullptr;

  // Services the run calls; tests replace them.
  std::function<std::string()> localAddress;
  std::function<void(int)> pauseMs;
  // Whether the desktop has a notification area to hide the window into;
  // asked at every minimise.
  std::function<bool()> trayAvailable;

  search::SearchRunDriver& driver() { return *driver_; }

  // Controls, by the names the program uses for them.
  QWidget* CoolBar1;
  QToolButton *SpeedButton2, *SpeedButton3, *SpeedButton5, *SpeedButton8, *SpeedButton6, *SpeedButton1,
      *SpeedButton4, *SpeedButton9, *SpeedButton10;
  QWidget* Panel2;
  QLabel *Label2, *Label1;
  QSpinBox* SpinEdit1;
  QCheckBox* CheckBox1;
  QComboBox* ComboBox1;
  QWidget* Panel1;
  QTreeView* ListView1;
  QWidget* Panel3;
  QPlainTextEdit* Memo2;
  QWidget *Panel10, *Panel11;
  WebBrowser* WebBrowser1;
  PanelStatusBar* StatusBar1;
  QWidget* Memo1;  // hidden page buffer; its text is the run's buffer
  QPushButton *Button1, *BitBtn1;
  QTimer *Timer1, *Timer2, *Timer3;
  QMenu* PopupMenu1;
  QAction *N17, *N18, *N19, *N20, *N21, *N22, *N23;
  TantTaskbarIcon* antTaskbarIcon1;

  ResultListModel& results() { return *results_; }
  const files::KeywordStore& keywordStore() const { return keywordStore_; }
  // Where the current search's numbers are kept on disk; empty before its first.
  QString autosavePath() const { return autosave_.path(); }

  // The keyword box's whole text as GBK with CR LF line ends, and back.
  GbkString keywordText() const;
  void setKeywordText(const GbkString& text);
  // Appends lines to the keyword box (the builder's Use command).
  void appendKeywordLines(const std::vector<GbkString>& lines);

  // search::RunWindow
  int keywordLineCount() override;
  GbkString keywordLine(int index) override;
  GbkString engineText() override;
  std::int32_t intervalSeconds() override;
  void setStatusText(int panel, const GbkString& text) override;
  void setSearchEnabled(bool enabled) override;
  void setStopEnabled(bool enabled) override;
  void repaintWindow() override;
  void clearResultList() override;
  harvest::ExtractionSink& resultSink() override { return *this; }
  void showInformation(const GbkString& text) override;
  void showMessage(const GbkString& text) override;
  std::optional<GbkString> inputQuery(const GbkString& caption, const GbkString& prompt,
                                      const GbkString& initial) override;
  void searchEnded(std::int32_t foundCount, const GbkString& endText) override;
  void blockedEpisodeBegan(const GbkString& statusText) override;

  // harvest::ExtractionSink (the result list, the duplicates box, panel 5)
  bool dedupTicked() override;
  bool hasCaption(std::string_view caption) override;
  void addNumber(const GbkString& number) override;
  void showFoundCount(std::int32_t count) override;

  // files::ProgressTarget
  void setEngineText(const GbkString& text) override;
  void setKeywordIndex(std::int32_t index) override;
  void setDedupTicked(bool ticked) override;
  void setIntervalSeconds(std::int32_t seconds) override;

  files::ProgressValues progressValues();

 public slots:
  void N2Click();  // Search
  void N3Click();  // Stop
  void Button1Click();
  void BitBtn1Click();
  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();  // asks again for a page an engine refused
  void WebBrowser1DocumentComplete();
  void N5Click();             // Save the result list
  void SpeedButton8Click();   // Progress
  void N20Click();            // Create: the keyword list builder
  void SpeedButton1Click();   // Merge
  void SpeedButton4Click();   // Home page
  void N15Click();            // About
  void SpeedButton10Click();  // Exit
  void N14Click();            // Contact
  void N17Click();            // Show main window
  void N18Click();            // Minimise to tray
  void N23Click();            // Exit from the tray menu

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildToolbar();
  void buildSettingsRow();
  void buildTrayMenu();
  void FormCreate();
  void FormDestroy();
  bool FormCloseQuery();
  const TextLines& keywordLines();

  std::unique_ptr<ResultListModel> results_;
  std::unique_ptr<MinimiseToTray> minimiser_;
  std::unique_ptr<QtRunTimer> timer1Port_, timer2Port_, timer3Port_;
  std::unique_ptr<search::SearchRunDriver> driver_;
  files::KeywordStore keywordStore_;
  files::ResultAutosave autosave_;
  TextLines keywordCache_;
  bool keywordCacheValid_ = false;
  QString mergeSourcesDir_, mergeTargetName_, saveResultName_;
};

}  // namespace valo::ui
