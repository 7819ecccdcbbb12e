#include "PasswordHash.h"

#include <crypt.h>

#include <cstdlib>
#include <memory>

#include "WireText.h"

namespace {

// libcrypt's work area is about 32 KiB: kept off the stack.
std::optional<std::string> Crypt(std::string_view password, const std::string& setting) {
  // libcrypt reads the password up to its first NUL; one inside would cut it short.
  if (password.find('\0') != std::string_view::npos) return std::nullopt;
  const auto data = std::make_unique<crypt_data>();
  const std::string phrase(password);
  const char* result = crypt_r(phrase.c_str(), setting.c_str(), data.get());
  // Failures come back as null or as a string starting with "*".
  if (result == nullptr || result[0] == '*') return std::nullopt;
  return std::string(result);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> DecodeHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexValue(hex[i]);
    const int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>((high << 4) | low);
  }
  return bytes;
}

}  // namespace

std::optional<std::string> HashPassword(std::string_view password) {
  const std::unique_ptr<char, decltype(&free)> setting(crypt_gensalt_ra("$y$", 0, nullptr, 0), &free);
  if (!setting) return std::nullopt;
  return Crypt(password, setting.get());
}

bool MatchesHash(std::string_view password, const std::string& hash) {
  const auto result = Crypt(password, hash);
  if (!result || result->size() != hash.size()) return false;
  // Compared in full whatever differs, so that the time taken tells nothing.
  unsigned char difference = 0;
  for (std::size_t i = 0; i < hash.size(); ++i) difference |= static_cast<unsigned char>((*result)[i] ^ hash[i]);
  return difference == 0;
}

bool IsUsableHash(const std::string& text) {
  const int status = crypt_checksalt(text.c_str());
  if (status != CRYPT_SALT_OK && status != CRYPT_SALT_METHOD_LEGACY) return false;
  // crypt_checksalt looks at the method and salt only: the hash must come back
  // as long as it is, with the same setting, for any password.
  const auto result = Crypt("", text);
  const std::size_t settingEnd = text.rfind('$');
  return result && result->size() == text.size() && settingEnd != std::string::npos &&
         result->compare(0, settingEnd, text, 0, settingEnd) == 0;
}

std::optional<std::string> UnroastPassword(std::string_view roasted) {
  if (roasted.size() < 2 || roasted[0] != '0' || (roasted[1] != 'x' && roasted[1] != 'X')) return std::nullopt;
  const auto decoded = DecodeHex(roasted.substr(2));
  if (!decoded) return std::nullopt;
  // Roasting XORs with a fixed key, which undoes itself: roasting the roasted
  // bytes again gives the password in hex.
  return DecodeHex(std::string_view(RoastPassword(*decoded)).substr(2));
}
