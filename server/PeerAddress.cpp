#include "PeerAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <optional>

namespace {

using Ipv6 = std::array<unsigned char, 16>;

// An IPv6 address without its zone (the "%eth0" of a link-local one); nothing when it is not IPv6.
std::optional<Ipv6> ParseIpv6(std::string_view address) {
  const std::string text(address.substr(0, address.find('%')));
  Ipv6 bytes{};
  if (inet_pton(AF_INET6, text.c_str(), bytes.data()) != 1) return std::nullopt;
  return bytes;
}

std::array<unsigned char, 8> Prefix64(const Ipv6& bytes) {
  std::array<unsigned char, 8> prefix{};
  std::copy(bytes.begin(), bytes.begin() + 8, prefix.begin());
  return prefix;
}

std::string Shown(int family, const unsigned char* bytes) {
  std::array<char, INET6_ADDRSTRLEN> shown{};
  inet_ntop(family, bytes, shown.data(), shown.size());
  return shown.data();
}

}  // namespace

void AddressGrouping::SetOwnAddresses(const std::vector<std::string>& addresses) {
  ownPrefixes_.clear();
  for (const auto& address : addresses) {
    if (const auto bytes = ParseIpv6(address)) ownPrefixes_.push_back(Prefix64(*bytes));
  }
}

std::string AddressGrouping::Group(std::string_view address) const {
  auto bytes = ParseIpv6(address);
  if (!bytes) return std::string(address);
  constexpr std::array<unsigned char, 12> kMappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::equal(kMappedPrefix.begin(), kMappedPrefix.end(), bytes->begin())) {
    return Shown(AF_INET, bytes->data() + kMappedPrefix.size());
  }
  const bool linkLocal = (*bytes)[0] == 0xFE && ((*bytes)[1] & 0xC0) == 0x80;
  const bool uniqueLocal = ((*bytes)[0] & 0xFE) == 0xFC;
  const bool ownLink = std::find(ownPrefixes_.begin(), ownPrefixes_.end(), Prefix64(*bytes)) != ownPrefixes_.end();
  // A link-local address is one host only together with its zone.
  if (linkLocal)
    return Shown(AF_INET6, bytes->data()) + std::string(address.substr(std::min(address.find('%'), address.size())));
  if (uniqueLocal || ownLink) return Shown(AF_INET6, bytes->data());
  std::fill(bytes->begin() + 8, bytes->end(), 0);
  return Shown(AF_INET6, bytes->data()) + "/64";
}
