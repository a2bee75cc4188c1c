// The main window's controls under the names the program and its tests use
// for them. The layout fills them in; the bindings act on them.
#pragma once

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
class QWidget;

namespace valo::ui {

class PanelStatusBar;
class TantTaskbarIcon;
class WebBrowser;

struct MainWindowControls {
  // Toolbar.
  QWidget* CoolBar1 = nullptr;
  QToolButton *SpeedButton2 = nullptr, *SpeedButton3 = nullptr, *SpeedButton5 = nullptr,
              *SpeedButton8 = nullptr, *SpeedButton6 = nullptr, *SpeedButton1 = nullptr,
              *SpeedButton4 = nullptr, *SpeedButton9 = nullptr, *SpeedButton10 = nullptr,
              *SpeedButton11 = nullptr, *SpeedButton12 = nullptr, *SpeedButton13 = nullptr;
  // Settings row.
  QWidget* Panel2 = nullptr;
  QLabel *Label2 = nullptr, *Label1 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  // Result list, keyword box, browser pane, status bar.
  QWidget* Panel1 = nullptr;
  QTreeView* ListView1 = nullptr;
  QWidget* Panel3 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QWidget *Panel10 = nullptr, *Panel11 = nullptr;
  WebBrowser* WebBrowser1 = nullptr;
  PanelStatusBar* StatusBar1 = nullptr;
  // Hidden buttons whose clicks are the run's first request and its end.
  QPushButton *Button1 = nullptr, *BitBtn1 = nullptr;
  // The run's poll, watchdog and refusal wait.
  QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;
  // Tray icon and its menu.
  QMenu* PopupMenu1 = nullptr;
  QAction *N17 = nullptr, *N18 = nullptr, *N19 = nullptr, *N20 = nullptr, *N21 = nullptr, *N22 = nullptr,
          *N23 = nullptr, *N24 = nullptr, *N25 = nullptr, *N26 = nullptr, *N27 = nullptr, *N28 = nullptr,
          *N29 = nullptr;
  TantTaskbarIcon* antTaskbarIcon1 = nullptr;
};

}  // namespace valo::ui
