// Shared set-up of the window tests: the program's windows started the way
// main() starts them, over a data folder of the test's own, with dialogs
// answered by the test, addresses caught instead of opened, and every page
// request going to the fake engine on loopback.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_engine.h"
#include "ui/common/dialogs.h"
#include "ui/main/program_windows.h"
#include "ui/main/tform1.h"

class QWidget;

namespace valo::testing {

extern FakeEngine* gEngine;
// Addresses handed to the desktop since the test began.
extern QList<QUrl> gOpenedUrls;

// The child of `root` with this object name and type; throws (failing the
// test) when there is none, so a renamed control is reported as such.
template <typename T>
T* named(QObject* root, const char* name) {
  T* child = root->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) throw std::runtime_error(std::string("no control named ") + name);
  return child;
}

// Reads and writes whole files as bytes.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// Takes away the superuser's right to ignore file permissions for the
// calling thread while it lives, so that a root test run meets an unreadable
// or unwritable file the way a user does. A no-op for ordinary users.
class AsOrdinaryUser {
 public:
  AsOrdinaryUser();
  ~AsOrdinaryUser();
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  bool switched_ = false;
};

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program's windows over the data folder and shows Form1.
  void start();
  // Ends them the way the program does at exit (Form1's destruction).
  void stop() { windows_.reset(); }

  ui::TForm1& form() const { return *windows_->Form1(); }
  ui::ProgramWindows& windows() const { return *windows_; }
  QString dataPath(const char* name) const { return folder_ + QString::fromUtf8(name); }
  const QString& folder() const { return folder_; }

  std::vector<ui::dialogs::Shown>& shown() const { return ui::dialogs::shownDialogs(); }
  QString status(int panel) const;

 private:
  QTemporaryDir dir_;
  QString folder_;
  std::unique_ptr<ui::ProgramWindows> windows_;
};

// Runs `inside` once the modal window that the next statement opens is up,
// then makes sure it closes, so that no test can hang on a modal loop.
void whileModal(std::function<void(QWidget* modal)> inside);

}  // namespace valo::testing
