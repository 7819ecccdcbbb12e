// The room that --join names: ROOM or ROOM:EXCHANGE, the exchange read as
// the exchange box reads it and 4 when left out.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct RoomOption {
  QString name;
  std::int16_t exchange = 4;
};

// Nothing when the room is empty, or the exchange after the last colon is
// empty or refused by ReadExchange.
std::optional<RoomOption> ParseRoomOption(const QString& text);
