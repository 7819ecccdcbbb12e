// The rate limits of one person, kept by normalized screen name across
// sign-ons, so that signing on again does not start them afresh.
#pragma once

#include <cstdint>

#include "ServerLimits.h"
#include "TokenBucket.h"

struct RateLimits {
  TokenBucket chatLines{limits::kChatLineBurst, limits::kChatLinesPerSecond};
  TokenBucket messages{limits::kMessageBurst, limits::kMessagesPerSecond};
  TokenBucket invitations{limits::kInvitationBurst, limits::kInvitationsPerSecond};
  TokenBucket roomChanges{limits::kRoomChangeBurst, limits::kRoomChangesPerSecond};
  TokenBucket presence{limits::kPresenceBurst, limits::kPresenceChangesPerSecond};

  // True when every limit is full again, so that nothing is lost by forgetting them.
  [[nodiscard]] bool Rested(std::int64_t now) const {
    return chatLines.Full(now) && messages.Full(now) && invitations.Full(now) && roomChanges.Full(now) &&
           presence.Full(now);
  }
};
