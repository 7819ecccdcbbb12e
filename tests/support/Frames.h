// Frames as a server and a client send them, for feeding either side in tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Flap.h"
#include "WireText.h"

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

// The sign-on frame a client sends for name.
inline std::string SignOnFrameFor(const std::string& name, std::uint16_t sequence = 0) {
  return flap::BuildFrame(
      flap::kSignOn, sequence,
      std::string("\0\0\0\x01\0\x01", 6) + flap::EncodeWord(static_cast<std::int32_t>(name.size())) + name);
}

// The sign-on command as the control sends it.
inline std::string LoginLine(const std::string& name, const std::string& password) {
  return "toc2_login localhost 5190 " + NormalizeName(name) + " " + RoastPassword(password) +
         " English  \"QuovTOCSock 2.0\" 160 US \"\" \"\" 3 0 30303 -kentucky -utf8 52718093";
}

// The server's sign-on frame.
inline std::string SignOnFrame() { return flap::BuildFrame(flap::kSignOn, 0, std::string("\0\0\0\x01", 4)); }
