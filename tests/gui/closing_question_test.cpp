// The question asked before the main window closes: every answer through
// the test hooks, and the real message box answering each gesture (Enter,
// Escape, its close box) as a user means it.
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include "gui_env.h"
#include "ui/common/app_texts.h"

using namespace valo;
using namespace valo::testing;
using ui::dialogs::Confirmation;

// Every answer to the closing question, by the hooks.
struct CloseCase {
  Confirmation answer;
  bool closes;
};

class ClosingQuestion : public GuiTest, public ::testing::WithParamInterface<CloseCase> {};
class RealClosingQuestion : public GuiTest {};

TEST_P(ClosingQuestion, OnlyNoRefuses) {
  start();
  ui::dialogs::queueAnswer(static_cast<int>(GetParam().answer));
  EXPECT_EQ(form().close(), GetParam().closes);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, QStringLiteral("确认退出Valo传真搜索吗?"));
  EXPECT_EQ(form().isVisible(), !GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingQuestion,
                         ::testing::Values(CloseCase{Confirmation::Yes, true},
                                           CloseCase{Confirmation::No, false},
                                           CloseCase{Confirmation::Dismissed, true}));

// The bug a user met: closing the real question by its close box must end
// the program, and Escape must keep it.
TEST_F(RealClosingQuestion, ByItsCloseBoxLetsTheWindowClose) {
  start();
  for (const bool byCloseBox : {false, true}) {
    SCOPED_TRACE(byCloseBox ? "close box" : "Escape");
    ui::dialogs::enableTestHooks(false);
    whileModal([byCloseBox](QWidget* box) {
      if (byCloseBox) {
        QCloseEvent close;
        QCoreApplication::sendEvent(box->windowHandle(), &close);
      } else {
        QTest::keyClick(box, Qt::Key_Escape);
      }
    });
    const bool closed = form().close();
    ui::dialogs::enableTestHooks(true);
    EXPECT_EQ(closed, byCloseBox);
    EXPECT_EQ(form().isVisible(), !byCloseBox);
  }
}

// The real question box: Enter answers Yes, Escape answers No, and closing
// the box by the window system (its title bar's close box) lets the window
// close, as does an answer of Yes.
enum class Gesture { Key, CloseEvent, WidgetClose };

struct QuestionCase {
  const char* name;
  Gesture gesture;
  int key;
  Qt::KeyboardModifiers modifiers;
  Confirmation expected;
};

class QuestionBox : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(QuestionBox, AnswersAsTheGestureSays) {
  ui::dialogs::enableTestHooks(false);
  QStringList buttons;
  QString caption;
  whileModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    switch (GetParam().gesture) {
      case Gesture::Key:
        QTest::keyClick(box, static_cast<Qt::Key>(GetParam().key), GetParam().modifiers);
        break;
      case Gesture::CloseEvent: {
        // What the platform delivers when the window manager asks the
        // window to close (the close box, Alt+F4).
        ASSERT_NE(box->windowHandle(), nullptr);
        QCloseEvent close;
        QCoreApplication::sendEvent(box->windowHandle(), &close);
        break;
      }
      case Gesture::WidgetClose:
        box->close();
        break;
    }
  });
  const Confirmation answer = ui::dialogs::confirm(nullptr, QStringLiteral("确认退出Valo传真搜索吗?"));
  ui::dialogs::enableTestHooks(true);
  EXPECT_EQ(answer, GetParam().expected);
  EXPECT_EQ(caption, QStringLiteral("确认"));
  buttons.sort();
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("否[&N]"), QStringLiteral("是[&Y]")}));
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, QuestionBox,
    ::testing::Values(
        QuestionCase{"Return", Gesture::Key, Qt::Key_Return, Qt::NoModifier, Confirmation::Yes},
        QuestionCase{"Enter", Gesture::Key, Qt::Key_Enter, Qt::KeypadModifier, Confirmation::Yes},
        QuestionCase{"Escape", Gesture::Key, Qt::Key_Escape, Qt::NoModifier, Confirmation::No},
        QuestionCase{"CloseBox", Gesture::CloseEvent, 0, Qt::NoModifier, Confirmation::Dismissed},
        QuestionCase{"Close", Gesture::WidgetClose, 0, Qt::NoModifier, Confirmation::Dismissed}),
    [](const ::testing::TestParamInfo<QuestionCase>& param) { return std::string(param.param.name); });
