// Everything a client can make the server hold is bounded here, so that no
// client, however it behaves, can grow the server without end, and no one
// client or address can use up what all share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace limits {

// A longer command ends the connection, as the service did.
inline constexpr std::size_t kMaxCommand = 2048;
// A client frame: the longest command and its NUL. The sign-on frame is far smaller.
inline constexpr std::size_t kMaxClientPayload = kMaxCommand + 1;

// Connection slots: the whole server, and by default one peer address, so
// that one host cannot take every slot. A single machine that runs many
// clients on purpose (a load test) raises the second with --max-per-address.
inline constexpr std::size_t kMaxConnections = 512;
inline constexpr std::size_t kMaxConnectionsPerAddress = 16;
inline constexpr std::size_t kMaxStoredAccounts = 1000;

inline constexpr std::size_t kMaxScreenName = 32;
// Room names, group names, buddy names and aliases.
inline constexpr std::size_t kMaxEntry = 64;

// Rooms: the whole table, the rooms one user is in, and the rooms opened
// from one address that are still open. With 16 connections of 10 rooms an
// address could open 160; 50 means at least 20 addresses are needed to fill
// the table.
inline constexpr std::size_t kMaxRooms = 1000;
inline constexpr std::size_t kMaxRoomOccupants = 250;
inline constexpr std::size_t kMaxRoomsPerUser = 10;
inline constexpr std::size_t kMaxRoomsPerAddress = 50;
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

// Output waiting for a slow reader. When a command leaves more than
// kHoldAbove bytes unsent for some connection, the server reads nothing
// more from the sender until that connection is down to kReleaseBelow:
// a flood slows its sender, not its readers. 64 KiB is some 350 chat lines
// beyond what the kernel's socket buffer already took, far more than a
// reader that keeps up ever has waiting, and 512 such queues stay within
// 32 MiB. Past it, a queue grows by at most one command's output from each
// sender not yet held, about 2 KiB each. Releasing only at 16 KiB lets a
// held sender go on for a good stretch instead of one line at a time.
inline constexpr std::size_t kHoldAbove = std::size_t{64} * 1024;
inline constexpr std::size_t kReleaseBelow = std::size_t{16} * 1024;
// A connection with more than kHoldAbove unsent that has taken nothing for
// this long has stopped reading and is cut off. A reader that takes any
// bytes at all, however slowly, is never cut off.
inline constexpr std::int64_t kStallSeconds = 10;
// What the network layer reads from one socket before the protocol core has
// had it, so that a sender whose reading is held stays held by TCP.
inline constexpr std::size_t kSocketReadBuffer = std::size_t{64} * 1024;

// Rate limits per sender, as token buckets: a burst of kXBurst at once, then
// kXPerSecond. One over gets ERROR:903 and is dropped. Readers are protected
// by the hold above; these keep one member from drowning out the others.
// Chat lines: a pasted block of 100 lines goes through at once; after that,
// 10 lines a second is more than anyone can read.
inline constexpr std::int64_t kChatLineBurst = 100;
inline constexpr std::int64_t kChatLinesPerSecond = 10;
// Instant messages and warnings, each to one user: a person types far fewer;
// a script that answers many users at once still gets 30 through.
inline constexpr std::int64_t kMessageBurst = 30;
inline constexpr std::int64_t kMessagesPerSecond = 3;
// Invitations, one token per user invited: a room's worth of friends at
// once. One command invites each user once, however often it names them.
inline constexpr std::int64_t kInvitationBurst = 20;
inline constexpr std::int64_t kInvitationsPerSecond = 1;

// Wrong passwords for one screen name: after kMaxWrongPasswords within
// kWrongPasswordWindowSeconds every sign-on of that name is refused with
// ERROR:983 for kSignOnBlockSeconds, the right password included, so that
// guessing goes at 5 tries in 5 minutes at most.
inline constexpr int kMaxWrongPasswords = 5;
inline constexpr std::int64_t kWrongPasswordWindowSeconds = 60;
inline constexpr std::int64_t kSignOnBlockSeconds = 300;

}  // namespace limits
