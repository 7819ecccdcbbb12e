#include "ShownLine.h"

#include <algorithm>

namespace {

constexpr char16_t kLineBreakMark = u'\u23CE';

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

bool IsDirectionControl(char16_t c) { return (c >= u'\u202A' && c <= u'\u202E') || (c >= u'\u2066' && c <= u'\u2069'); }

}  // namespace

QString ShownLine(const QString& text) {
  const auto unsafe = [](QChar c) {
    // Most text is below U+0085, where only LF, VT, FF and CR need a second look.
    if (c.unicode() < u'\u0085') return c.unicode() >= u'\n' && c.unicode() <= u'\r';
    return IsLineBreak(c.unicode()) || IsDirectionControl(c.unicode());
  };
  if (std::none_of(text.begin(), text.end(), unsafe)) return text;
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (IsDirectionControl(c)) continue;
    if (!IsLineBreak(c)) {
      shown += QChar(c);
      continue;
    }
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    shown += QChar(kLineBreakMark);
  }
  return shown;
}
