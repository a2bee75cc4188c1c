// See tform1.h: layout, bindings and the window-level commands.
#include "ui/main/tform1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "env/network_check.h"
#include "files/data_folder.h"
#include "files/number_merge.h"
#include "text/app_error.h"
#include "ui/browser/web_browser.h"
#include "ui/cleanup/tdelform.h"
#include "ui/common/app_texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/error_box.h"
#include "ui/main/anchored_row_layout.h"
#include "ui/main/minimise_to_tray.h"
#include "ui/main/result_list_model.h"
#include "ui/main/result_list_writer.h"
#include "ui/main/status_bar.h"
#include "ui/main/window_font.h"
#include "ui/resources/icons.h"
#include "ui/shell/shell_open.h"
#include "ui/tray/ant_taskbar_icon.h"

namespace valo::ui {
namespace {

const char* const kDefaultKeywords[] = {
    "深圳 机械 传真:",  "深圳 化工 FAX:",  "深圳 旅游 FAX:",  "北京 酒店 传真:",
    "深圳 酒店 传真:",  "苏州 电子 传真:", "常州 机械 传真:", "上海 食品 FAX:",
    "上海 旅行社 FAX:", "上海 出口 传真:", "广州 服装 传真:", "苏州 电子 FAX:",
};

const char* const kEngineChoices[] = {"http://www.baidu.com", "http://www.google.com.hk",
                                      "http://www.yahoo.cn", "http://www.soso.com"};

const QString kListFilter = QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");

QWidget* band(QWidget* parent, const char* name, int height) {
  auto* w = new QWidget(parent);
  w->setObjectName(QLatin1String(name));
  if (height > 0) w->setFixedHeight(height);
  return w;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      localAddress([] { return env::GetLocalIPAddress(); }),
      pauseMs([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }),
      trayAvailable([] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      keywordStore_(files::keywordReadPath(), files::keywordFilePath()),
      autosave_([] { return files::dataFolder(); }, [] { return QDateTime::currentDateTime(); }) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(productCaption() + QStringLiteral("  ") + contactLine());
  setWindowIcon(programIcon());
  setFont(windowFont());
  resize(567, 409);  // client area of the 575 x 436 window

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  CoolBar1 = band(this, "CoolBar1", 30);
  buildToolbar();
  root->addWidget(CoolBar1);

  Panel2 = band(this, "Panel2", 28);
  buildSettingsRow();
  root->addWidget(Panel2);

  Panel1 = band(this, "Panel1", 139);
  results_ = std::make_unique<ResultListModel>();
  ListView1 = new QTreeView(Panel1);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setModel(results_.get());
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->header()->setStretchLastSection(false);
  ListView1->setColumnWidth(0, 229);
  (new QVBoxLayout(Panel1))->addWidget(ListView1);
  Panel1->layout()->setContentsMargins(0, 0, 0, 0);
  root->addWidget(Panel1);

  auto* lower = new QHBoxLayout;
  lower->setSpacing(0);
  Panel3 = band(this, "Panel3", 0);
  Panel3->setFixedWidth(233);
  Memo2 = new QPlainTextEdit(Panel3);
  Memo2->setObjectName(QStringLiteral("Memo2"));
  Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A vertical scroll bar only: long lines are not wrapped and scroll
  // sideways with the caret, without a bar of their own.
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  (new QVBoxLayout(Panel3))->addWidget(Memo2);
  Panel3->layout()->setContentsMargins(0, 0, 0, 0);
  lower->addWidget(Panel3);
  Panel10 = band(this, "Panel10", 0);
  Panel11 = band(Panel10, "Panel11", 0);
  (new QVBoxLayout(Panel10))->addWidget(Panel11);
  Panel10->layout()->setContentsMargins(0, 0, 0, 0);
  WebBrowser1 = new WebBrowser(Panel11);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  (new QVBoxLayout(Panel11))->addWidget(WebBrowser1);
  Panel11->layout()->setContentsMargins(0, 0, 0, 0);
  lower->addWidget(Panel10, 1);
  root->addLayout(lower, 1);

  StatusBar1 = new PanelStatusBar({39, 50, 39, 50, 39, 50}, this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(19);
  StatusBar1->setPanelText(0, QStringLiteral("总数："));
  StatusBar1->setPanelText(2, QStringLiteral("进程："));
  StatusBar1->setPanelText(4, QStringLiteral("号码："));
  StatusBar1->setPanelText(6, contactLine());
  root->addWidget(StatusBar1);

  // Hidden controls the run uses as triggers and buffer.
  Memo1 = band(this, "Memo1", 0);
  Memo1->hide();
  Button1 = new QPushButton(this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->hide();
  BitBtn1 = new QPushButton(this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->hide();
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(8000);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(60000);
  Timer3 = new QTimer(this);
  Timer3->setObjectName(QStringLiteral("Timer3"));
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
  connect(Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
  timer1Port_ = std::make_unique<QtRunTimer>(Timer1);
  timer2Port_ = std::make_unique<QtRunTimer>(Timer2);
  timer3Port_ = std::make_unique<QtRunTimer>(Timer3);

  driver_ = std::make_unique<search::SearchRunDriver>(
      *this, *WebBrowser1, *timer1Port_, *timer2Port_, *timer3Port_,
      search::RunServices{[this] { return localAddress(); },
                          [this] {
                            if (delform != nullptr) delform->SpeedButton4->click();
                          },
                          [this] { files::SaveProgress(files::progressFilePath(), progressValues()); },
                          [this](int ms) { pauseMs(ms); }});
  search::RunServices& services = driver_->services();
  services.checkpointProgress = [this] { files::SaveProgress(files::progressFilePath(), progressValues()); };
  services.startAutosave = [this] { autosave_.begin(); };
  services.autosaveNumber = [this](const GbkString& number) { autosave_.add(number); };
  services.flushAutosave = [this] { return autosave_.flush(); };
  services.clockAfter = [](int ms) {
    return toGbk(QTime::currentTime().addMSecs(ms).toString(QStringLiteral("HH:mm:ss")));
  };
  WebBrowser1->OnDocumentComplete = [this] { WebBrowser1DocumentComplete(); };

  QStringList defaults;
  for (const char* line : kDefaultKeywords) defaults << QString::fromUtf8(line);
  Memo2->setPlainText(defaults.join(QLatin1Char('\n')) + QLatin1Char('\n'));
  connect(Memo2, &QPlainTextEdit::textChanged, this, [this] { keywordCacheValid_ = false; });

  buildTrayMenu();
  FormCreate();
}

TForm1::~TForm1() {
  FormDestroy();
}

void TForm1::buildToolbar() {
  struct Button {
    QToolButton** field;
    const char* name;
    const char* caption;
    const char* hint;
    const char* glyphKey;
    void (TForm1::*handler)();
  };
  const Button buttons[] = {
      {&SpeedButton2, "SpeedButton2", "搜索", "开始号码搜索", "search", &TForm1::N2Click},
      {&SpeedButton3, "SpeedButton3", "终止", "终止号码搜索", "stop", &TForm1::N3Click},
      {&SpeedButton5, "SpeedButton5", "保存", "保存搜索结果", "save", &TForm1::N5Click},
      {&SpeedButton8, "SpeedButton8", "进程", "保存搜索进程", "progress", &TForm1::SpeedButton8Click},
      {&SpeedButton6, "SpeedButton6", "创建", "创建搜索文件", "create", &TForm1::N20Click},
      {&SpeedButton1, "SpeedButton1", "合并", "合并号码列表", "merge", &TForm1::SpeedButton1Click},
      {&SpeedButton4, "SpeedButton4", "主页", "访问软件网站", "home", &TForm1::SpeedButton4Click},
      {&SpeedButton9, "SpeedButton9", "关于", "关于本软件", "about", &TForm1::N15Click},
      {&SpeedButton10, "SpeedButton10", "退出", "退出软件系统", "exit", &TForm1::SpeedButton10Click},
  };
  int x = 2;
  for (const Button& b : buttons) {
    auto* button = new QToolButton(CoolBar1);
    button->setObjectName(QLatin1String(b.name));
    button->setText(QString::fromUtf8(b.caption));
    button->setToolTip(QString::fromUtf8(b.hint));
    button->setIcon(glyph(QLatin1String(b.glyphKey)));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setGeometry(x, 3, 55, 23);
    x += 55 + 1;
    connect(button, &QToolButton::clicked, this, b.handler);
    *b.field = button;
  }
}

void TForm1::buildSettingsRow() {
  // Laid out for the 567 px client width, where the engine box is 318 px
  // wide; the controls before it then take 242 of the 247 px left to them.
  auto* row = new AnchoredRowLayout(Panel2, 567, 318);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);
  Label2 = new QLabel(QStringLiteral("搜索间隔[秒]："), Panel2);
  Label2->setObjectName(QStringLiteral("Label2"));
  SpinEdit1 = new QSpinBox(Panel2);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  SpinEdit1->setRange(1, 1000);
  SpinEdit1->setValue(8);
  SpinEdit1->setFixedWidth(41);
  CheckBox1 = new QCheckBox(QStringLiteral("去重"), Panel2);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setLayoutDirection(Qt::RightToLeft);  // caption left of the box
  Label1 = new QLabel(QStringLiteral("搜索引擎："), Panel2);
  Label1->setObjectName(QStringLiteral("Label1"));
  ComboBox1 = new QComboBox(Panel2);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  for (const char* e : kEngineChoices) ComboBox1->addItem(QLatin1String(e));
  ComboBox1->setCurrentIndex(0);
  row->addWidget(Label2);
  row->addWidget(SpinEdit1);
  row->addWidget(CheckBox1);
  row->addWidget(Label1);
  row->addWidget(ComboBox1);  // anchored: the last one
}

void TForm1::buildTrayMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  auto item = [this](const char* name, const char* caption, void (TForm1::*handler)()) {
    QAction* a = PopupMenu1->addAction(QString::fromUtf8(caption));
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  N17 = item("N17", "显示主程序(&S)", &TForm1::N17Click);
  N17->setEnabled(false);
  N18 = item("N18", "最小化显示(&M)", &TForm1::N18Click);
  N19 = item("N19", "与我们联系(&L)", &TForm1::N14Click);
  N20 = item("N20", "访问Kestrin主页(&V)", &TForm1::SpeedButton4Click);
  N21 = item("N21", "关于本软件(&A)", &TForm1::N15Click);
  N22 = PopupMenu1->addSeparator();
  N22->setObjectName(QStringLiteral("N22"));
  N23 = item("N23", "退 出(&Exit)", &TForm1::N23Click);
  minimiser_ = std::make_unique<MinimiseToTray>(*this, *N17, *N18, [this] { return trayAvailable(); });

  antTaskbarIcon1 = new TantTaskbarIcon(this);
  antTaskbarIcon1->setObjectName(QStringLiteral("antTaskbarIcon1"));
  // Applied in the order the window lists them: the icon enters the tray as
  // soon as Visible is set, and is shown again once all are in place.
  antTaskbarIcon1->SetIcon(programIcon());
  antTaskbarIcon1->SetVisible(true);
  antTaskbarIcon1->SetHint(gbk("『Valo传真搜索』V2.1"));
  antTaskbarIcon1->SetPopupMenu(PopupMenu1);
  antTaskbarIcon1->OnClick = [this](QObject*) { N17Click(); };
  antTaskbarIcon1->Loaded();
}

// Start-up's steps of the window, in order. A failing step is shown in the
// standard error box and the later steps are skipped; the window still opens.
void TForm1::FormCreate() {
  driver_->state().PageLines.clear();
  QPalette hints = QToolTip::palette();
  hints.setColor(QPalette::ToolTipBase, QColor(0, 255, 0));
  QToolTip::setPalette(hints);
  // The application's minimise event runs N18Click: see changeEvent.
  try {
    if (std::optional<GbkString> text = keywordStore_.load()) setKeywordText(*text);
    files::LoadProgress(files::progressReadPath(), *this);
  } catch (...) {
    showStandardError(std::current_exception());
  }
}

void TForm1::FormDestroy() {
  // Failures to write the keyword file at exit are silent by design; a file
  // that failed to load is never replaced by the default lines.
  keywordStore_.saveAtExit(keywordText());
  driver_->state().PageLines.clear();
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
  antTaskbarIcon1->SetVisible(false);
  QApplication::quit();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The application's minimise event runs Minimise to tray once the window
  // system has finished minimising.
  if (minimiser_->stateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState()))
    QTimer::singleShot(0, this, &TForm1::N18Click);
}

// --- keyword box --------------------------------------------------------

GbkString TForm1::keywordText() const {
  QString text = Memo2->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return toGbk(text);
}

void TForm1::setKeywordText(const GbkString& text) {
  QString s = fromGbk(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Memo2->setPlainText(s);
}

const TextLines& TForm1::keywordLines() {
  if (!keywordCacheValid_) {
    keywordCache_.setText(keywordText());
    keywordCacheValid_ = true;
  }
  return keywordCache_;
}

void TForm1::appendKeywordLines(const std::vector<GbkString>& lines) {
  if (lines.empty()) return;
  TextLines text(keywordText());
  for (const GbkString& l : lines) text.append(l);
  setKeywordText(text.text());
}

// --- search::RunWindow --------------------------------------------------

int TForm1::keywordLineCount() {
  return keywordLines().count();
}
GbkString TForm1::keywordLine(int index) {
  return GbkString(keywordLines().line(index));
}
GbkString TForm1::engineText() {
  return toGbk(ComboBox1->currentText());
}
std::int32_t TForm1::intervalSeconds() {
  return SpinEdit1->value();
}
void TForm1::setStatusText(int panel, const GbkString& text) {
  StatusBar1->setPanelText(panel, fromGbk(text));
}
void TForm1::setSearchEnabled(bool enabled) {
  SpeedButton2->setEnabled(enabled);
}
void TForm1::setStopEnabled(bool enabled) {
  SpeedButton3->setEnabled(enabled);
}
void TForm1::repaintWindow() {
  QWidget::repaint();
}
void TForm1::clearResultList() {
  results_->clear();
}
void TForm1::showInformation(const GbkString& text) {
  dialogs::showInformation(this, fromGbk(text));
}
void TForm1::showMessage(const GbkString& text) {
  dialogs::showMessage(this, fromGbk(text));
}

void TForm1::searchEnded(std::int32_t foundCount, const GbkString& endText) {
  // Someone who left the window in the tray learns of the end there, and of
  // why it came early.
  if (minimiser_->hiddenInTray())
    antTaskbarIcon1->ShowBalloon(applicationTitle(), fromGbk(endText) + QStringLiteral("号码：%1").arg(foundCount));
}

void TForm1::blockedEpisodeBegan(const GbkString& statusText) {
  // An unattended run that an engine holds up must not wait unseen.
  if (minimiser_->hiddenInTray()) antTaskbarIcon1->ShowBalloon(applicationTitle(), fromGbk(statusText));
}

std::optional<GbkString> TForm1::inputQuery(const GbkString& caption, const GbkString& prompt,
                                            const GbkString& initial) {
  std::optional<QString> answer =
      dialogs::inputQuery(this, fromGbk(caption), fromGbk(prompt), fromGbk(initial));
  if (!answer) return std::nullopt;
  return toGbk(*answer);
}

// --- harvest::ExtractionSink ----------------------------------------------

bool TForm1::dedupTicked() {
  return CheckBox1->isChecked();
}
bool TForm1::hasCaption(std::string_view caption) {
  return results_->numbers().contains(caption);
}

void TForm1::addNumber(const GbkString& number) {
  ListView1->setUpdatesEnabled(false);
  results_->append(number);
  ListView1->scrollTo(results_->index(results_->rowCount() - 1), QAbstractItemView::EnsureVisible);
  ListView1->setUpdatesEnabled(true);
}

void TForm1::showFoundCount(std::int32_t count) {
  StatusBar1->setPanelText(5, QString::number(count));
}

// --- files::ProgressTarget ------------------------------------------------

void TForm1::setEngineText(const GbkString& text) {
  ComboBox1->setEditText(fromGbk(text));
}
void TForm1::setKeywordIndex(std::int32_t index) {
  driver_->state().KeywordIndex = index;
}
void TForm1::setDedupTicked(bool ticked) {
  CheckBox1->setChecked(ticked);
}
void TForm1::setIntervalSeconds(std::int32_t seconds) {
  SpinEdit1->setValue(seconds);
}

files::ProgressValues TForm1::progressValues() {
  files::ProgressValues v;
  v.engineText = engineText();
  v.keywordIndex = driver_->state().KeywordIndex;
  v.dedupTicked = CheckBox1->isChecked();
  std::int32_t seconds = 0;
  v.intervalSeconds = tryStrToInt(toGbk(SpinEdit1->text()), seconds) ? seconds : SpinEdit1->minimum();
  return v;
}

// --- the run's handlers -----------------------------------------------------

void TForm1::N2Click() {
  driver_->N2Click();
}
void TForm1::N3Click() {
  driver_->N3Click();
}
void TForm1::Button1Click() {
  driver_->Button1Click();
}
void TForm1::BitBtn1Click() {
  driver_->BitBtn1Click();
}
void TForm1::Timer1Timer() {
  driver_->Timer1Timer();
}
void TForm1::Timer2Timer() {
  driver_->Timer2Timer();
}
void TForm1::Timer3Timer() {
  driver_->Timer3Timer();
}
void TForm1::WebBrowser1DocumentComplete() {
  driver_->WebBrowser1DocumentComplete();
}

// --- commands -------------------------------------------------------------

void TForm1::N5Click() {
  const QString path = dialogs::saveFileName(
      this, {QStringLiteral("搜索结果保存为"), QStringLiteral("Text files(*.txt)|*.txt|All files(*.*)|*.*"),
             QString(), saveResultName_, QStringLiteral("txt")});
  if (path.isEmpty()) return;
  saveResultName_ = path;
  writeResultList(path, results_->numbers().items());
}

void TForm1::SpeedButton8Click() {
  files::SaveProgress(files::progressFilePath(), progressValues());
  dialogs::showMessage(this, QStringLiteral("已经保存当前传真号码搜索进程！"));
}

void TForm1::N20Click() {
  if (Form3 != nullptr) Form3->exec();
}

void TForm1::SpeedButton1Click() {
  const QStringList sources = dialogs::openFileNames(
      this, {QStringLiteral("选择待合并的数据文件"), kListFilter, mergeSourcesDir_, QString(), QString()});
  if (sources.isEmpty()) return;
  mergeSourcesDir_ = QFileInfo(sources.constFirst()).absolutePath();
  const QString target = dialogs::saveFileName(
      this, {QStringLiteral("合并后的数据文件保存为"), kListFilter, QString(), mergeTargetName_, QString()});
  if (target.isEmpty()) return;
  mergeTargetName_ = target;
  if (files::targetIsAmongSources(sources, target)) {
    dialogs::showWarning(this, QStringLiteral("合并后的数据文件不能是待合并的数据文件之一，否则该文件的内容"
                                              "将会丢失。请另选一个保存文件名。"));
    return;
  }
  QApplication::setOverrideCursor(Qt::BusyCursor);
  StatusBar1->setPanelText(6, QStringLiteral("数据正处理中..."));
  QWidget::repaint();
  files::MergeOutcome outcome;
  try {
    outcome = files::MergeNumberLists(sources, target);
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  if (outcome.targetWritten) {
    StatusBar1->setPanelText(6,
                             QStringLiteral("文件合并整理完毕！共计：") + QString::number(outcome.lineCount));
  }
  QApplication::restoreOverrideCursor();
  if (outcome.error) throw *outcome.error;
}

void TForm1::SpeedButton4Click() {
  openUrl(QUrl(homePageAddress()));
}
void TForm1::N14Click() {
  openUrl(QUrl(contactMailAddress()));
}

void TForm1::N15Click() {
  if (Form2 != nullptr) Form2->exec();
}

void TForm1::SpeedButton10Click() {
  close();
}
void TForm1::N23Click() {
  close();
}

void TForm1::N17Click() {
  minimiser_->show();
}

void TForm1::N18Click() {
  minimiser_->minimise();
}

}  // namespace valo::ui
