#include "WireText.h"

#include <array>

namespace {
// The roasting key of the TOC protocol, kept as its character codes.
constexpr std::array<unsigned char, 7> kRoastKeyCodes{84, 105, 99, 47, 84, 111, 99};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string RoastPassword(std::string_view password) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string roasted = "0x";
  roasted.reserve(2 + password.size() * 2);
  for (std::size_t i = 0; i < password.size(); ++i) {
    const auto value =
        static_cast<unsigned char>(static_cast<unsigned char>(password[i]) ^ kRoastKeyCodes[i % kRoastKeyCodes.size()]);
    roasted += kHex[value >> 4];
    roasted += kHex[value & 0x0F];
  }
  return roasted;
}

std::string NormalizeName(std::string_view name) {
  std::string normalized;
  normalized.reserve(name.size());
  for (char c : name) {
    if (c != ' ') normalized += LowerAscii(c);
  }
  return normalized;
}

bool IsEscapedCharacter(char c) {
  switch (c) {
    case '\\':
    case '$':
    case '"':
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
      return true;
    default:
      return false;
  }
}

std::string EscapeText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size() + 8);
  for (char c : text) {
    if (IsEscapedCharacter(c)) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}
