#include "RoomOption.h"

#include "ExchangeReader.h"

std::optional<RoomOption> ParseRoomOption(const QString& text) {
  RoomOption room;
  room.name = text;
  if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
    room.name = text.left(colon);
    const QString exchangeText = text.mid(colon + 1);
    const auto exchange = ReadExchange(exchangeText.toStdU16String());
    if (exchangeText.trimmed().isEmpty() || !exchange) return std::nullopt;
    room.exchange = *exchange;
  }
  if (room.name.trimmed().isEmpty()) return std::nullopt;
  return room;
}
