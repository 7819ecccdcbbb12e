// The room that --join names: ROOM or ROOM:EXCHANGE, the exchange a whole
// number and 4 when left out.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct RoomOption {
  QString name;
  std::int16_t exchange = 4;
};

// Nothing when the room is empty, or the text after the last colon is not a
// whole number from -32768 to 32767 (digits, after an optional minus).
std::optional<RoomOption> ParseRoomOption(const QString& text);
