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
std::string ChatIn(std::int32_t roomId, std::string_view sender, std::string_view text);
// names: one screen name, or the colon-joined names of everyone present.
std::string Arrival(std::int32_t roomId, std::string_view names);
std::string Departure(std::int32_t roomId, std::string_view name);
std::string ChatInvite(std::string_view room, std::int32_t roomId, std::string_view from, std::string_view text);

std::string InstantMessage(std::string_view from, bool autoResponse, std::string_view userClass, std::string_view text);
std::string GotoUrl(std::string_view name, std::string_view url);
std::string UpdateBuddy2(std::string_view name, int warningLevel, std::int64_t signOnTime, std::int64_t idleMinutes,
                         std::string_view userClass);
std::string BuddyCaps2(std::string_view name, std::string_view capabilities);
// from is empty for an anonymous warning.
std::string Eviled(int level, std::string_view from);
std::string PasswordChanged();
std::string NicknameFormatted();

// kind: "g" a group, "b" a buddy, "p" the permit list, "d" the deny list; entry: the fields after it.
std::string Inserted(std::string_view kind, std::string_view entry);
std::string Deleted(std::string_view kind, std::string_view entry);

}  // namespace to_client
