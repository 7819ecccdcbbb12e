#include "Functions.h"

#include "WireText.h"

std::string Normalize(std::string_view text) { return NormalizeName(text); }

// Removing one tag never exposes an earlier "<", so a single left-to-right
// scan gives the same text as removing the first tag over and over.
std::string StripHtml(std::string_view text) {
  std::string cleaned;
  cleaned.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('<', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('>', open + 1);
    if (close == std::string_view::npos) break;
    cleaned.append(text.substr(pos, open - pos));
    pos = close + 1;
  }
  cleaned.append(text.substr(pos));
  return cleaned;
}
