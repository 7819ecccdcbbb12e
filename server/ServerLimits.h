// Everything a client can make the server hold is bounded here, so that no
// client, however it behaves, can grow the server without end, and no one
// client or address can use up what all share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// A server frame's payload: clients read frames of up to 8 KiB, and take a
// configuration from one CONFIG2 frame; only a configuration past that is
// cut, at line ends, into more.
inline constexpr std::size_t kMaxServerPayload = 8192;
inline constexpr std::size_t kConfigChunk = kMaxServerPayload - std::char_traits<char>::length("CONFIG2:");

// The highest warning level a user can be given.
inline constexpr int kMaxWarningLevel = 100;

// Output waiting for a slow reader, counted from when the network layer is
// given it until its socket has written it. One connection's send queue may
// hold kSendQueueBound: some 2,500 chat lines beyond what the kernel's socket
// buffer already took, far more than a reader that keeps up ever has waiting
// (in a burst from 200 talkers each reader has about a 200th of the total
// below, some 160 KiB). A reader over it, or one that writes nothing for
// kStallSeconds while output waits, is cut off.
inline constexpr std::size_t kSendQueueBound = std::size_t{512} << 10;
inline constexpr std::int64_t kStallSeconds = 5;
// A reader with more than kHoldAbove unsent holds whoever sends it more than
// a room line (an instant message, an invitation, a warning): nothing more
// of the sender's is read until the reader is below it again, or gone. A
// read of 64 KiB can then never put a reader past its bound, however many
// commands it holds; and a reader that stops is cut off within kStallSeconds,
// so it holds no one longer than that. Rooms have their own rule, below.
inline constexpr std::size_t kHoldAbove = kSendQueueBound / 4;
// For the whole server: above kSlowAbove queued in all, as when everyone is
// behind in a burst, nothing more any client sent is served until the total
// is below kResumeBelow. One address's 16 connections hold 8 MiB at most:
// it takes four such hosts together to reach it.
// Past kMaxQueuedTotal, or when the slowing lasts kSlowedSeconds, the largest
// queues are cut off first.
inline constexpr std::size_t kSlowAbove = std::size_t{32} << 20;
inline constexpr std::size_t kResumeBelow = std::size_t{16} << 20;
inline constexpr std::size_t kMaxQueuedTotal = std::size_t{256} << 20;
inline constexpr std::int64_t kSlowedSeconds = 10;
// A connection that has not signed on this long after it opened is closed.
inline constexpr std::int64_t kSignOnSeconds = 30;
// What the network layer reads from one socket before the protocol core has
// had it, so that a sender whose reading is held stays held by TCP.
inline constexpr std::size_t kSocketReadBuffer = std::size_t{64} * 1024;

// Rate limits per person, as token buckets kept by normalized screen name
// across sign-ons: a burst of kXBurst at once, then kXPerSecond. One over
// gets ERROR:903 and is dropped. These keep one member from drowning out the
// others; the send queues above keep one reader from holding anyone.
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

// What a room sends each member, its chat lines as a whole, whoever says
// them from however many hosts: while every member has kHoldAbove or less
// unsent, as fast as its talkers say it; while one has more, kRoomFloorBytes
// at once and then as much a second. Past that, talkers are held, not
// refused, and served one line each in turn, so that none of them waits
// behind another's burst. One member's queue then gets at most kHoldAbove and
// a line, or the floor, from each room: a member reading at 1 Mbit/s keeps up
// with any busy room, and a member that reads nothing slows its rooms to the
// floor, not to a stop, until it is cut off.
inline constexpr std::int64_t kRoomFloorBytes = std::int64_t{128} << 10;

// Presence changes (toc_set_away, toc_set_idle, toc_set_caps), each pushed
// to everyone who lists the user: a client sets all three at sign-on and
// then one now and then, and a person toggles away far less than once a second.
inline constexpr std::int64_t kPresenceBurst = 20;
inline constexpr std::int64_t kPresenceChangesPerSecond = 1;
// A viewer with more than this unsent is told of a buddy's change once it
// has taken it, and then only of the latest state: a few frames' worth, so
// that a viewer that keeps up hears each change as it happens.
inline constexpr std::size_t kPresenceCoalesceAbove = std::size_t{8} << 10;

// Joins and leaves, each told to everyone in the room: a user's ten rooms
// twice over at once. A leave is always carried out but takes a token too.
inline constexpr std::int64_t kRoomChangeBurst = 20;
inline constexpr std::int64_t kRoomChangesPerSecond = 2;

// Sign-ons from one address (see PeerAddress.h): as many at once as it may hold
// connections, then one a second, so that signing on again does not start
// a person's limits afresh under new names at will.
inline constexpr std::int64_t kSignOnsPerSecond = 1;

// Wrong passwords, counted per screen name and address: the first
// kFreeWrongPasswords cost nothing; after each further one, that name is
// refused from that address with ERROR:983 for twice as long as the last
// time, starting at 1 second and never more than kMaxSignOnDelaySeconds.
// The right password from anywhere else goes on working. A record is
// forgotten kWrongPasswordMemorySeconds after its last wrong password; at
// most kMaxPasswordRecords are kept, the oldest going first.
inline constexpr int kFreeWrongPasswords = 3;
inline constexpr std::int64_t kMaxSignOnDelaySeconds = 300;
inline constexpr std::int64_t kWrongPasswordMemorySeconds = 3600;
inline constexpr std::size_t kMaxPasswordRecords = 10000;

}  // namespace limits
