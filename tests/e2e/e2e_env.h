// Shared state of the end-to-end tests: the fake engine and a window set up
// the way the tests drive it.
#pragma once

#include <QString>
#include <memory>

#include "fake_engine.h"

namespace valo::testing {
extern FakeEngine* gEngine;
extern QString gDataFolder;
}  // namespace valo::testing
