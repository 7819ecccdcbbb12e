// The codes of the service's ERROR messages, named once for the server that
// sends them and the client that reads them.
#pragma once

#include <string_view>

namespace toc_error {

// Argument: the screen name.
inline constexpr std::string_view kUserNotAvailable = "901";
inline constexpr std::string_view kWarningNotAvailable = "902";
inline constexpr std::string_view kTooFast = "903";
inline constexpr std::string_view kBadInput = "911";
// Arguments: the room name and one of the sub-codes below.
inline constexpr std::string_view kChatJoinFailed = "951";
inline constexpr std::string_view kChatFull = "24";
inline constexpr std::string_view kBadAccount = "980";
inline constexpr std::string_view kSignOnTooSoon = "983";
// Argument: a sub-code, of which these two say that no retry will pass.
inline constexpr std::string_view kSignOnFailed = "989";
inline constexpr std::string_view kBadScreenNameOrPassword = "7";
inline constexpr std::string_view kSignOnBlocked = "17";

}  // namespace toc_error
