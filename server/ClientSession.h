// What the server knows of one client connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Accounts.h"
#include "Flap.h"

using ConnectionId = std::uint64_t;

// What one viewer was last told of a user's presence.
struct ToldPresence {
  // The last UPDATE_BUDDY2 it was sent; empty before the first.
  std::string update;
  // The ClientSession::capabilitiesChanges it was last told of.
  std::uint64_t capabilities = 0;
};

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
  // Nothing more of its is read while it waits: for the server's output to be
  // no longer slowed, for heldFrame's room to take more, and for the readers
  // in heldBy to take what they were sent.
  bool waiting = false;
  // A chat line taken from the reader and not yet served, and its room.
  std::string heldFrame;
  std::int32_t heldForRoom = 0;
  std::vector<ConnectionId> heldBy;
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
  // Counts the changes of capabilities, so that viewers are sent them only when they change.
  std::uint64_t capabilitiesChanges = 0;
  // Sent toc_init_done: from then on it is told of its buddies and they of it.
  bool initDone = false;
  // The signed-on users, by normalized name, who see this user online, and what they were told.
  std::unordered_map<std::string, ToldPresence> seenBy;
  // The buddies, by normalized name, whose latest state this viewer is to be told once it has taken what waits.
  std::set<std::string> presenceDue;
  std::int32_t idleSeconds = 0;
  std::int64_t idleSince = 0;
  int warningLevel = 0;

  // The lists of a name that signed on while the account store was full: they last as long as the session.
  std::optional<Account> unsavedAccount;
};
