// Whether the machine has a network address other than loopback: its own
// host name resolved to IPv4 addresses, the last one of the list as text.
#pragma once

#include <functional>
#include <string>

struct hostent;

namespace valo::env {

// The resolver calls, replaceable so the rule can be tested on a machine
// whose name resolves to loopback only.
struct ResolverCalls {
  std::function<int(char* name, std::size_t length)> gethostname;
  std::function<const hostent*(const char* name)> gethostbyname;
};

ResolverCalls systemResolver();

// Dotted text of the last IPv4 address of the host entry's list; "" for none.
std::string lastAddressOf(const hostent* entry);

// The machine's address as dotted text, or "" when the host name cannot be
// read or does not resolve.
std::string GetLocalIPAddress(const ResolverCalls& calls = systemResolver());

// The Search command refuses only this exact answer.
inline bool isOffline(const std::string& localAddress) {
  return localAddress == "127.0.0.1";
}

}  // namespace valo::env
