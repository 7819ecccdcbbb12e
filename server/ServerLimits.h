// Everything a client can make the server hold is bounded here, so that no
// client, however it behaves, can grow the server without end.
#pragma once

#include <cstddef>

namespace limits {

// A longer command ends the connection, as the service did.
inline constexpr std::size_t kMaxCommand = 2048;
// A client frame: the longest command and its NUL. The sign-on frame is far smaller.
inline constexpr std::size_t kMaxClientPayload = kMaxCommand + 1;

inline constexpr std::size_t kMaxConnections = 512;
inline constexpr std::size_t kMaxStoredAccounts = 1000;

inline constexpr std::size_t kMaxScreenName = 32;
// Room names, group names, buddy names and aliases.
inline constexpr std::size_t kMaxEntry = 64;

inline constexpr std::size_t kMaxRooms = 1000;
inline constexpr std::size_t kMaxRoomOccupants = 250;
inline constexpr std::size_t kMaxRoomsPerUser = 10;
inline constexpr std::size_t kMaxInvitations = 16;

// Stored lists of one account. With these, a whole configuration stays far
// below what one frame can carry.
inline constexpr std::size_t kMaxGroups = 50;
inline constexpr std::size_t kMaxBuddies = 200;
inline constexpr std::size_t kMaxListNames = 100;

// Configuration text carried by one CONFIG2 message, cut at line ends.
inline constexpr std::size_t kConfigChunk = 1024;

// The highest warning level a user can be given.
inline constexpr int kMaxWarningLevel = 100;

}  // namespace limits
