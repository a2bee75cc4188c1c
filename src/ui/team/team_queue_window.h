// The team's queue window ("团队队列"): how many keywords wait, are taken
// and are done, the numbers found, and the keywords themselves with the
// machine that holds or did each, read again every few seconds off the
// window's thread while the window is open. Its buttons start and stop this
// copy's search from the queue.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <memory>
#include <string>

#include "team/queue_watch.h"

namespace valo::ui {

class QueueSearch;

class TeamQueueWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kReadEveryMs = 2000;
  static constexpr int kRowsShown = 1000;

  TeamQueueWindow(QueueSearch& search, QWidget* parent = nullptr);
  ~TeamQueueWindow() override;

  // Watches the queue on `conninfo` (again, when it changed).
  void watch(const std::string& conninfo);
  // Shows a reading of the queue (the window's thread).
  void showReading(const team::QueueSnapshot& snapshot);
  // Follows the queue search: its text and what may be pressed.
  void showSearch();

  QLabel* CountsLabel = nullptr;
  QLabel* ServerLabel = nullptr;
  QLabel* SearchLabel = nullptr;
  QTableWidget* QueueTable = nullptr;
  QPushButton* SearchButton = nullptr;
  QPushButton* StopButton = nullptr;
  QPushButton* CloseButton = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QueueSearch& search_;
  std::string conninfo_;
  std::unique_ptr<team::QueueWatch> watch_;
};

}  // namespace valo::ui
