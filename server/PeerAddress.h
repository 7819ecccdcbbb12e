// The peer address as the limits per address count it, one group per host:
// an IPv4 address as it is, and an IPv4 address mapped into IPv6 as the
// IPv4 address. An IPv6 host on the server's own links is counted by its
// whole address (a link-local or unique-local address, or one in a /64 of
// the server's own addresses), since every host of a LAN shares its /64;
// any other IPv6 client by its /64, since one host usually holds a whole /64.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class AddressGrouping {
 public:
  // The server's own addresses, in any form; those that are not IPv6 are passed over.
  void SetOwnAddresses(const std::vector<std::string>& addresses);
  [[nodiscard]] std::string Group(std::string_view address) const;

 private:
  std::vector<std::array<unsigned char, 8>> ownPrefixes_;
};
