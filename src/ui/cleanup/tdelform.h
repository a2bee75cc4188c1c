// The hidden clean-up window: its one button clears the browser's history
// and cache. The Search command presses it before every search.
#pragma once

#include <QDialog>

#include "env/browser_cleanup.h"

class QToolButton;

namespace valo::ui {

class Tdelform : public QDialog {
  Q_OBJECT
 public:
  Tdelform(env::BrowserDataStore& store, QWidget* parent = nullptr);

  QToolButton* SpeedButton4;

 public slots:
  void N3Click();

 private:
  env::BrowserDataStore& store_;
};

}  // namespace valo::ui
