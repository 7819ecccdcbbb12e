#include "PeerAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>

std::string AddressGroup(std::string_view address) {
  std::string text(address);
  std::array<unsigned char, 16> bytes{};
  if (inet_pton(AF_INET6, text.c_str(), bytes.data()) != 1) return text;
  constexpr std::array<unsigned char, 12> kMappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  std::array<char, INET6_ADDRSTRLEN> shown{};
  if (std::equal(kMappedPrefix.begin(), kMappedPrefix.end(), bytes.begin())) {
    inet_ntop(AF_INET, bytes.data() + kMappedPrefix.size(), shown.data(), shown.size());
    return shown.data();
  }
  std::fill(bytes.begin() + 8, bytes.end(), 0);
  inet_ntop(AF_INET6, bytes.data(), shown.data(), shown.size());
  return std::string(shown.data()) + "/64";
}
