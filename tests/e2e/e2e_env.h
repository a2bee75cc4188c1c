// Shared state of the end-to-end tests: the fake engine and a window set up
// the way the tests drive it.
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "fake_engine.h"

namespace valo::testing {
extern FakeEngine* gEngine;
extern QString gDataFolder;

// Runs a real event loop until `done` holds or `ms` have passed: the
// browser's own work runs on this thread too, and polling with sleeps in
// between slows every page load down.
inline bool waitForEvents(const std::function<bool()>& done, int ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(20);
  loop.exec();
  return done();
}
}  // namespace valo::testing
