// Properties of the text helpers that must hold for any input.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FakeSocket.h"
#include "Functions.h"
#include "QuovTOCSock.h"
#include "WireText.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

std::string Unescape(const std::string& escaped) {
  std::string text;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 1 < escaped.size()) ++i;
    text += escaped[i];
  }
  return text;
}

std::string FromHex(const std::string& roasted) {
  std::string bytes;
  for (std::size_t i = 2; i + 1 < roasted.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(roasted.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex = "0x";
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  static const QuovTOCSock toc(std::make_unique<FakeSocket>());
  const std::string stripped = StripHtml(text);
  Check(toc.RemoveHtml(text) == stripped);
  // A "<" with a ">" somewhere after it would have been a tag.
  const std::size_t firstOpen = stripped.find('<');
  Check(firstOpen == std::string::npos || stripped.find('>', firstOpen) == std::string::npos);
  Check(stripped.size() <= text.size());

  const std::string normalized = Normalize(text);
  Check(normalized == NormalizeName(text));
  for (char c : normalized) Check(c != ' ' && !(c >= 'A' && c <= 'Z'));

  const std::string escaped = EscapeText(text);
  Check(Unescape(escaped) == text);

  const std::string roasted = RoastPassword(text);
  Check(roasted.size() == 2 + 2 * text.size());
  Check(RoastPassword(FromHex(roasted)) == Hex(text));
  return 0;
}
