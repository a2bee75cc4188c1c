// The POSIX resolver stands in for Winsock 1.1: there is no library to start
// or release, the rest of the steps are the same.
#include "env/network_check.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <array>

namespace valo::env {

ResolverCalls systemResolver() {
  return {[](char* name, std::size_t length) { return ::gethostname(name, length); },
          [](const char* name) -> const hostent* { return ::gethostbyname(name); }};
}

std::string lastAddressOf(const hostent* entry) {
  std::string result;
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr) return result;
  for (char** p = entry->h_addr_list; *p != nullptr; ++p) {
    in_addr addr{};
    static_assert(sizeof(addr) == 4);
    std::copy(*p, *p + 4, reinterpret_cast<char*>(&addr));
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &addr, text, sizeof text) != nullptr) result = text;
  }
  return result;
}

std::string GetLocalIPAddress(const ResolverCalls& calls) {
  std::array<char, 64> name{};
  if (calls.gethostname(name.data(), name.size()) != 0) return {};
  name.back() = '\0';
  return lastAddressOf(calls.gethostbyname(name.data()));
}

}  // namespace valo::env
