// What QuovTOCSock reports to its holder: one function per event, called
// synchronously with the arguments in declared order. Every event does
// nothing unless the holder overrides it.
//
// A non-const reference is a by-reference argument. For JoinedChat,
// lngChatID is the control's LastChatID itself, so a handler that assigns to
// it changes LastChatID; every other by-reference argument is a temporary of
// the raising code, and changing it has no effect.
#pragma once

#include <cstdint>
#include <string>

#include "Collection.h"

class QuovTOCSockEvents {
 public:
  virtual ~QuovTOCSockEvents() = default;

  // Chat rooms.
  virtual void JoinedChat(std::string& /*strChatName*/, std::int32_t& /*lngChatID*/) {}
  virtual void ChatMessage(std::int32_t& /*lngChatID*/, std::string& /*strUserName*/, std::string& /*strMessage*/) {}
  virtual void ChatInvite(std::string& /*strChatName*/, std::int32_t& /*lngChatID*/, std::string& /*strFromUser*/,
                          std::string& /*strInviteMessage*/) {}
  virtual void LeftChat(std::int32_t& /*lngChatID*/) {}
  virtual void ChatUserUpdate(const std::string& /*strUserName*/, bool /*blnInside*/, std::int32_t /*lngChatID*/) {}
  virtual void InitialJoin(const std::string& /*UsersList*/, std::int32_t /*lngChatID*/) {}

  // Buddies, presence and stored-list changes.
  virtual void BuddyUpdate(const std::string& /*strBuddy*/, bool /*blnOnline*/, std::int16_t /*intWarningLevel*/,
                           std::int32_t /*lngOnlineTime*/, std::int32_t /*lngIdleTime*/,
                           const std::string& /*strUserClass*/) {}
  virtual void BuddyCapabilities(const std::string& /*strUserName*/, const std::string& /*strCaps*/) {}
  virtual void BuddyBart(const std::string& /*strUserName*/, const std::string& /*strBart*/) {}
  virtual void BuddyAdded(std::string& /*strGroup*/, std::string& /*strBuddy*/, std::string& /*strAlias*/) {}
  virtual void GroupAdded(std::string& /*strGroup*/) {}
  virtual void PrivateBuddyAdded(std::string& /*strBuddy*/) {}
  virtual void BuddyBlocked(std::string& /*strBuddy*/) {}
  virtual void BuddyRemoved(std::string& /*strGroup*/, std::string& /*strBuddy*/) {}
  virtual void GroupRemoved(std::string& /*strGroup*/) {}
  virtual void PrivateBuddyRemoved(std::string& /*strBuddy*/) {}
  virtual void BuddyUnblocked(std::string& /*strBuddy*/) {}

  // Session.
  // The screen name is a copy: a handler that signs on or off, or changes
  // strUserName, does not change its own argument.
  // NOLINTNEXTLINE(performance-unnecessary-value-param)
  virtual void LoggedIn(std::string /*strUserName*/, Collection<std::string>& /*BuddyList*/,
                        Collection<std::string>& /*BlockList*/, Collection<std::string>& /*PrivateList*/,
                        Collection<std::string>& /*MiscData*/, const std::string& /*strPreferences*/,
                        std::int16_t /*PrivacyMode*/) {}
  // NOLINTNEXTLINE(performance-unnecessary-value-param)
  virtual void LoggedOut(std::string /*strUserName*/) {}
  virtual void ScreennameFormat(const std::string& /*strFormattedSN*/) {}

  // Messages, notices and failures.
  virtual void InstantMessage(std::string& /*strUserName*/, std::string& /*strMessage*/, bool& /*blnAutoResponse*/,
                              std::string& /*strUserClass*/) {}
  virtual void UserProfile(std::string& /*strURL*/) {}
  virtual void Error(std::int16_t& /*intErrorCode*/, std::string& /*strError*/) {}
  // The server refused the sign-on (ERROR 980, 983 or 989), raised after the
  // Error it also raises, with strError as Error was given it. lngSubCode is
  // 989's sub-code, 0 for the other codes and for one that is not a number.
  virtual void SignOnRefused(std::int16_t /*intErrorCode*/, std::int32_t /*lngSubCode*/,
                             const std::string& /*strError*/) {}
  virtual void Warned(std::string& /*intWarningLevel*/, std::string& /*strFromUser*/) {}
  virtual void TypingStatus(std::string& /*strUserName*/, std::int16_t& /*intTypingStatus*/) {}
  virtual void WinsockError(std::string& /*strError*/) {}
  virtual void RendevousRequest(std::string& /*strUserName*/, std::string& /*strUUID*/, std::string& /*strCookie*/,
                                std::string& /*strRendevousIP*/, std::string& /*strProposerIP*/,
                                std::string& /*strVerifiedIP*/, std::int32_t& /*lngPort*/) {}
  virtual void IncomingPacket(const std::string& /*strPacket*/) {}
  virtual void PasswordChanged() {}
  virtual void ScreenNameFormatted() {}
};
