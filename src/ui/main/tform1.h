// `TForm1`, the main window. It owns the controls (laid out by
// main_window_layout) and hands every command to the object that acts: the
// run binding (the search session over the controls), the file commands, the
// tray binding, the engines file binding and the other windows. Its handlers
// keep the program's names.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/keyword_store.h"
#include "search/run_driver.h"
#include "session/search_session.h"
#include "ui/main/main_window_controls.h"

namespace valo::ui {

class FileCommands;
class KeywordBox;
class KeywordFileBinding;
class ResultListModel;
class RunBinding;
class Tdelform;
class TrayBinding;
class EnginesBinding;
class OptionsBinding;
class StoreBinding;
class TeamQueueBinding;
class TeamStoreView;
class TeamStoreHolder;

class TForm1 : public QWidget, public MainWindowControls {
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

  search::SearchRunDriver& driver();
  session::SearchSession& session();
  ResultListModel& results() { return *results_; }
  TeamQueueBinding& teamQueue() { return *teamQueue_; }
  const files::KeywordStore& keywordStore() const { return keywordStore_; }
  // Where the current search's numbers are kept on disk; empty before its first.
  QString autosavePath() const;

  // The keyword box's whole text as GBK with CR LF line ends, and back.
  GbkString keywordText() const;
  void setKeywordText(const GbkString& text);
  // Appends lines to the keyword box (the builder's Use command).
  void appendKeywordLines(const std::vector<GbkString>& lines);
  // The keyword box's lines as the run reads them.
  int keywordLineCount();
  GbkString keywordLine(int index);
  // The run's message boxes: a plain one with the application title, and an
  // information box.
  void showMessage(const GbkString& text);
  void showInformation(const GbkString& text);

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
  void N24Click();            // Edit the engines file
  void N25Click();            // Reload the engines file
  void N26Click();            // The number store window
  void N27Click();            // The proxy list
  void N28Click();            // The options window
  void N29Click();            // The team's queue window

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FormCreate();
  void FormDestroy();
  bool FormCloseQuery();

  std::unique_ptr<ResultListModel> results_;
  std::unique_ptr<KeywordBox> keywords_;
  std::unique_ptr<KeywordFileBinding> keywordFile_;
  // Before the run binding, whose session may record into the team's store:
  // gone after it.
  std::unique_ptr<TeamStoreHolder> teamStores_;
  std::unique_ptr<RunBinding> run_;
  std::unique_ptr<FileCommands> fileCommands_;
  std::unique_ptr<TrayBinding> tray_;
  std::unique_ptr<OptionsBinding> options_;
  // Before the store binding, whose window it reads into: gone after it.
  std::unique_ptr<TeamStoreView> teamStore_;
  std::unique_ptr<StoreBinding> store_;
  std::unique_ptr<EnginesBinding> engines_;
  // After the run binding, whose searches it feeds: gone before it.
  std::unique_ptr<TeamQueueBinding> teamQueue_;
  files::KeywordStore keywordStore_;
};

}  // namespace valo::ui
