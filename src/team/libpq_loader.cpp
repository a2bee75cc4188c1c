// Opens libpq by its soname, as the dynamic loader would have at start, and
// takes each function the program calls from it.
#include "team/libpq_loader.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace valo::team {
namespace {

constexpr const char* kLibrary = "libpq.so.5";

template <typename Function>
void take(void* handle, Function& slot, const char* name) {
  slot = reinterpret_cast<Function>(::dlsym(handle, name));
  if (slot == nullptr) throw std::runtime_error(std::string(kLibrary) + " has no " + name);
}

LibPq load() {
  void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error(std::string(kLibrary) + " could not be loaded: " + ::dlerror());
  LibPq pq;
#define VALO_TAKE(name) take(handle, pq.name, #name)
  VALO_TAKE(PQclear);
  VALO_TAKE(PQcmdTuples);
  VALO_TAKE(PQconnectdbParams);
  VALO_TAKE(PQenterPipelineMode);
  VALO_TAKE(PQerrorMessage);
  VALO_TAKE(PQexec);
  VALO_TAKE(PQexecParams);
  VALO_TAKE(PQexitPipelineMode);
  VALO_TAKE(PQfinish);
  VALO_TAKE(PQgetResult);
  VALO_TAKE(PQgetisnull);
  VALO_TAKE(PQgetlength);
  VALO_TAKE(PQgetvalue);
  VALO_TAKE(PQntuples);
  VALO_TAKE(PQpipelineSync);
  VALO_TAKE(PQresultErrorField);
  VALO_TAKE(PQresultErrorMessage);
  VALO_TAKE(PQresultStatus);
  VALO_TAKE(PQsendQueryParams);
  VALO_TAKE(PQsetClientEncoding);
  VALO_TAKE(PQsetNoticeProcessor);
  VALO_TAKE(PQstatus);
#undef VALO_TAKE
  return pq;
}

}  // namespace

const LibPq& libpq() {
  // A failed load is tried again by the next caller: the exception leaves
  // the static uninitialised.
  static const LibPq pq = load();
  return pq;
}

}  // namespace valo::team
