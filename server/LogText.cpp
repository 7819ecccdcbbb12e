#include "LogText.h"

#include <cstdint>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of text and its
// code point, or 0 when text does not start with one.
std::size_t DecodeUtf8(std::string_view text, std::uint32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  std::uint32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
    lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
    lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
    lowest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < lowest || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

bool IsEscapedCodePoint(std::uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string EscapeForLog(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text[0]);
    if (byte == '\\') {
      out += "\\\\";
      text.remove_prefix(1);
      continue;
    }
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7F) {
        out += "\\x";
        AppendHex(out, byte, 2);
      } else {
        out += static_cast<char>(byte);
      }
      text.remove_prefix(1);
      continue;
    }
    std::uint32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, codePoint);
    if (length == 0) {
      out += "\\x";
      AppendHex(out, byte, 2);
      text.remove_prefix(1);
    } else {
      if (IsEscapedCodePoint(codePoint)) {
        out += "\\u";
        AppendHex(out, codePoint, 4);
      } else {
        out.append(text.substr(0, length));
      }
      text.remove_prefix(length);
    }
  }
  return out;
}
