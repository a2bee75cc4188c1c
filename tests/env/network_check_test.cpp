// The network presence check: the last address of the host's list, empty on
// any failure, and the one answer that refuses a search.
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

#include "env/network_check.h"

using namespace valo::env;

namespace {

// A host entry over a list of dotted addresses.
struct FakeHost {
  std::vector<std::array<unsigned char, 4>> addresses;
  std::vector<char*> list;
  hostent entry{};

  explicit FakeHost(std::initializer_list<std::array<unsigned char, 4>> a) : addresses(a) {
    for (auto& x : addresses) list.push_back(reinterpret_cast<char*>(x.data()));
    list.push_back(nullptr);
    entry.h_addrtype = AF_INET;
    entry.h_length = 4;
    entry.h_addr_list = list.data();
  }
};

ResolverCalls resolverFor(const hostent* entry, int nameResult = 0, std::string* askedName = nullptr) {
  return {[nameResult](char* name, std::size_t length) {
            std::strncpy(name, "workstation", length);
            return nameResult;
          },
          [entry, askedName](const char* name) {
            if (askedName) *askedName = name;
            return entry;
          }};
}

}  // namespace

TEST(NetworkCheck, LastAddressOfTheListWins) {
  FakeHost loopbackFirst{{127, 0, 0, 1}, {192, 168, 1, 20}};
  FakeHost lanFirst{{192, 168, 1, 20}, {127, 0, 0, 1}};
  FakeHost loopbackOnly{{127, 0, 0, 1}};
  std::string asked;
  EXPECT_EQ(GetLocalIPAddress(resolverFor(&loopbackFirst.entry, 0, &asked)), "192.168.1.20");
  EXPECT_EQ(asked, "workstation");
  EXPECT_EQ(GetLocalIPAddress(resolverFor(&lanFirst.entry)), "127.0.0.1");
  EXPECT_EQ(GetLocalIPAddress(resolverFor(&loopbackOnly.entry)), "127.0.0.1");
}

TEST(NetworkCheck, FailuresGiveEmptyText) {
  FakeHost some{{10, 0, 0, 1}};
  EXPECT_EQ(GetLocalIPAddress(resolverFor(nullptr)), "");          // name does not resolve
  EXPECT_EQ(GetLocalIPAddress(resolverFor(&some.entry, -1)), "");  // host name unreadable
  FakeHost none{};
  EXPECT_EQ(GetLocalIPAddress(resolverFor(&none.entry)), "");
}

TEST(NetworkCheck, OnlyExactLoopbackRefuses) {
  EXPECT_TRUE(isOffline("127.0.0.1"));
  for (const char* a : {"", "127.0.0.2", "127.0.0.1 ", "192.0.2.1"}) EXPECT_FALSE(isOffline(a)) << a;
}

TEST(NetworkCheck, RealResolverAnswersWithoutThrowing) {
  // This machine may resolve its name to loopback only; whatever it answers
  // must be a dotted address or empty.
  const std::string a = GetLocalIPAddress();
  EXPECT_TRUE(a.empty() || std::count(a.begin(), a.end(), '.') == 3) << a;
}
