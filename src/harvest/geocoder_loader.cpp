// Loads the geocoder module once, on the first place asked for. The module's
// places are tried in turn: beside the running program (a copy taken
// elsewhere with its module), where the installation puts it relative to
// the program, and where the build made it.
#include "harvest/geocoder_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/geocoder_module.h"

namespace valo::harvest {
namespace {

std::filesystem::path runningProgram() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

std::vector<std::filesystem::path> modulePlaces() {
  const std::filesystem::path program = runningProgram();
  const std::filesystem::path built = VALO_GEOCODER_BUILT;
  std::vector<std::filesystem::path> places;
  if (!program.empty()) {
    places.push_back(program.parent_path() / built.filename());
    places.push_back(program.parent_path() / VALO_GEOCODER_FROM_PROGRAM);
  }
  places.push_back(built);
  return places;
}

struct Module {
  ValoDescribeNumber describe = nullptr;
  std::string failure;
};

Module load() {
  Module module;
  for (const std::filesystem::path& place : modulePlaces()) {
    std::error_code error;
    if (!std::filesystem::exists(place, error)) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      module.failure += std::string(::dlerror()) + "; ";
      continue;
    }
    module.describe = reinterpret_cast<ValoDescribeNumber>(::dlsym(handle, "valoDescribeNumber"));
    if (module.describe != nullptr) return module;
    module.failure += place.string() + " has no valoDescribeNumber; ";
  }
  module.failure = "the geocoder module (" + std::filesystem::path(VALO_GEOCODER_BUILT).filename().string() +
                   ") could not be loaded: " + (module.failure.empty() ? "not found" : module.failure);
  return module;
}

}  // namespace

std::string geocodedPlace(int countryCode, std::uint64_t national, int leadingZeros) {
  static const Module module = load();
  if (module.describe == nullptr) throw std::runtime_error(module.failure);
  std::array<char, 256> room;
  std::size_t length = module.describe(countryCode, national, leadingZeros, room.data(), room.size());
  if (length <= room.size()) return std::string(room.data(), length);
  std::string place(length, '\0');
  length = module.describe(countryCode, national, leadingZeros, place.data(), place.size());
  place.resize(std::min(length, place.size()));
  return place;
}

}  // namespace valo::harvest
