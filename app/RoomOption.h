// The room that --join names: ROOM or ROOM:EXCHANGE, the exchange a whole
// number and 4 when left out.
#pragma once

#include <QString>
#include <cstdint>
#include <variant>

struct RoomOption {
  QString name;
  std::int16_t exchange = 4;
};

// The room, or what is wrong with the text as a sentence for the user: the
// room is empty, or the text after the last colon is not a whole number from
// -32768 to 32767 (digits, after an optional minus).
std::variant<RoomOption, QString> ParseRoomOption(const QString& text);
