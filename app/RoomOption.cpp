#include "RoomOption.h"

#include <QByteArray>
#include <charconv>

namespace {

// A command line has no box to look at: "five" or "4x" is a mistake to
// report, not a number to guess at as the window's box reads it.
std::optional<std::int16_t> WholeExchange(const QString& text) {
  const QByteArray digits = text.toUtf8();
  std::int16_t exchange = 0;
  const auto [end, error] = std::from_chars(digits.cbegin(), digits.cend(), exchange);
  if (error != std::errc() || end != digits.cend()) return std::nullopt;
  return exchange;
}

}  // namespace

std::variant<RoomOption, QString> ParseRoomOption(const QString& text) {
  RoomOption room;
  room.name = text;
  if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
    room.name = text.left(colon);
    const QString given = text.mid(colon + 1);
    const auto exchange = WholeExchange(given);
    if (!exchange) {
      return QStringLiteral("the exchange after the last colon must be a whole number from -32768 to 32767, not \"%1\"")
          .arg(given);
    }
    room.exchange = *exchange;
  }
  if (room.name.trimmed().isEmpty()) return QStringLiteral("the room's name is empty");
  return room;
}
