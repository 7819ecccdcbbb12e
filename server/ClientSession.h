// What the server knows of one client connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Flap.h"
#include "ServerLimits.h"
#include "TokenBucket.h"

using ConnectionId = std::uint64_t;

struct ClientSession {
  // Greeting: waiting for "FLAPON" and its line ends. SignOnFrame: the
  // server's sign-on frame is sent, the client's is awaited. Login: waiting
  // for toc2_login. SignedOn: any command.
  enum class Phase { Greeting, SignOnFrame, Login, SignedOn };

  Phase phase = Phase::Greeting;
  // The peer's address, for the limits per address.
  std::string address;
  std::string greeting;
  flap::Reader reader;
  std::uint16_t sequence = 0;
  // Seen by one check for stalled sign-ons already: the next one ends it.
  bool stalled = false;
  // The name of the client's sign-on frame, checked against toc2_login's.
  std::string frameName;

  // From sign-on on.
  std::string key;
  std::string displayName;
  std::int64_t signOnTime = 0;
  std::vector<std::int32_t> rooms;
  // Rooms this user was invited to, oldest first.
  std::deque<std::int32_t> invitations;
  std::string profile;
  std::string awayMessage;
  std::string capabilities;
  std::int32_t idleSeconds = 0;
  std::int64_t idleSince = 0;
  int warningLevel = 0;

  // Output handed to the network layer and not yet reported written, and
  // when the connection last wrote any or went over limits::kHoldAbove.
  std::size_t unsent = 0;
  std::int64_t lastProgress = 0;
  // The connections with too much unsent output of this one's commands: while
  // there are any, nothing more this one sent is served.
  std::vector<ConnectionId> heldBy;
  // The senders this connection's unsent output holds.
  std::vector<ConnectionId> holding;

  TokenBucket chatLines{limits::kChatLineBurst, limits::kChatLinesPerSecond};
  TokenBucket messages{limits::kMessageBurst, limits::kMessagesPerSecond};
  TokenBucket invitationsSent{limits::kInvitationBurst, limits::kInvitationsPerSecond};
};
