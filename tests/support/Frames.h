// Frames as a server sends them, for feeding the control in tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Flap.h"

// A data frame carrying message, with no NUL after it (the server's form).
inline std::string ServerMessage(std::string_view message, std::uint16_t sequence = 0) {
  return flap::BuildFrame(flap::kData, sequence, message);
}

// The data frame the control sends for a command line: the line and one NUL.
inline std::string ClientCommand(std::string_view line, std::uint16_t sequence) {
  std::string payload(line);
  payload += '\0';
  return flap::BuildFrame(flap::kData, sequence, payload);
}

inline std::string SignOnFrame() { return flap::BuildFrame(flap::kSignOn, 0, std::string("\0\0\0\x01", 4)); }
