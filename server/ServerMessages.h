// Every message the server sends, built in one place: the command name and
// its colon-separated fields. A last field that is free text keeps its colons.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace to_client {

std::string Error(std::string_view code);
std::string Error(std::string_view code, std::string_view argument);
// ERROR:951 for a room that cannot be joined because it, or the joiner's share, is full.
std::string ChatFull(std::string_view room);

std::string SignOn();
std::string Nick(std::string_view name);
std::string Config2(std::string_view lines);

std::string ChatJoin(std::int32_t roomId, std::string_view room);
std::string ChatLeft(std::int32_t roomId);
// whispered: said to one member of the room only.
std::string ChatIn(std::int32_t roomId, std::string_view sender, std::string_view text, bool whispered = false);
// names: one screen name, or the colon-joined names of everyone present.
std::string Arrival(std::int32_t roomId, std::string_view names);
std::string Departure(std::int32_t roomId, std::string_view name);
std::string ChatInvite(std::string_view room, std::int32_t roomId, std::string_view from, std::string_view text);

std::string InstantMessage(std::string_view from, bool autoResponse, std::string_view userClass, std::string_view text);
std::string GotoUrl(std::string_view name, std::string_view url);
// The user classes: three letters, the second "O" for everyone, the third "U" for away.
inline constexpr std::string_view kPresentClass = " O ";
inline constexpr std::string_view kAwayClass = " OU";
std::string UpdateBuddy2(std::string_view name, int warningLevel, std::int64_t signOnTime, std::int64_t idleMinutes,
                         std::string_view userClass);
// A buddy who signed off, or whom the privacy rules hide.
std::string BuddyOffline(std::string_view name);
std::string BuddyCaps2(std::string_view name, std::string_view capabilities);
// from is empty for an anonymous warning.
std::string Eviled(int level, std::string_view from);
std::string PasswordChanged();
std::string NicknameFormatted();

// kind: "g" a group, "b" a buddy, "p" the permit list, "d" the deny list; entry: the fields after it.
// The answer to each buddy of toc2_new_buddies.
std::string NewBuddyReply(std::string_view name);
// Typing: 0 none, 1 typed, 2 typing.
std::string ClientEvent(std::string_view from, std::int32_t event);

std::string Inserted(std::string_view kind, std::string_view entry);
std::string Deleted(std::string_view kind, std::string_view entry);

}  // namespace to_client
