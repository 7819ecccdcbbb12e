// What the server knows of one client connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "Accounts.h"
#include "Flap.h"

using ConnectionId = std::uint64_t;

struct ClientSession {
  // Greeting: waiting for "FLAPON" and its line ends. SignOnFrame: the
  // server's sign-on frame is sent, the client's is awaited. Login: waiting
  // for toc2_login. SignedOn: any command.
  enum class Phase { Greeting, SignOnFrame, Login, SignedOn };

  Phase phase = Phase::Greeting;
  // The peer's address group (see PeerAddress.h), for the limits per address.
  std::string address;
  // When the connection opened: it must sign on within limits::kSignOnSeconds.
  std::int64_t openedAt = 0;
  // Its frames wait unserved until the server's output is no longer slowed.
  bool waiting = false;
  std::string greeting;
  flap::Reader reader;
  std::uint16_t sequence = 0;
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
  // Sent toc_init_done: from then on it is told of its buddies and they of it.
  bool initDone = false;
  // The signed-on users, by normalized name, who were last told this user is online.
  std::unordered_set<std::string> seenBy;
  std::int32_t idleSeconds = 0;
  std::int64_t idleSince = 0;
  int warningLevel = 0;

  // The lists of a name that signed on while the account store was full: they last as long as the session.
  std::optional<Account> unsavedAccount;
};
