// Instant-message, profile, status and account commands: one command line
// each, handed to SendPacket, which drops it while the connection is closed.
#include <limits>
#include <stdexcept>

#include "QuovTOCSock.h"

void QuovTOCSock::SendIM(const std::string& strUserName, const std::string& strMessage, bool AutoResponse) {
  CommandLine line("toc_send_im");
  line.User(strUserName).Text(strMessage);
  if (AutoResponse) line.Unquoted(" auto");
  SendCommand(line);
}

void QuovTOCSock::GetProfile(const std::string& strUserName) {
  SendCommand(CommandLine("toc_get_info").User(strUserName));
}

void QuovTOCSock::SetProfile(const std::string& strProfile) {
  SendCommand(CommandLine("toc_set_info").Text(strProfile));
}

void QuovTOCSock::SetAwayMessage(const std::string& strAwayMessage) {
  SendCommand(CommandLine("toc_set_away").Text(strAwayMessage));
}

void QuovTOCSock::GetStatus(const std::string& strUserName) {
  SendCommand(CommandLine("toc_get_status").User(strUserName));
}

// The server takes seconds as a 32-bit signed number; a count of minutes
// whose seconds do not fit is refused before anything is sent.
void QuovTOCSock::SetIdleTime(std::int32_t lngMinutes) {
  constexpr std::int32_t kSecondsPerMinute = 60;
  constexpr std::int32_t kMaxMinutes = std::numeric_limits<std::int32_t>::max() / kSecondsPerMinute;
  constexpr std::int32_t kMinMinutes = std::numeric_limits<std::int32_t>::min() / kSecondsPerMinute;
  if (lngMinutes > kMaxMinutes || lngMinutes < kMinMinutes) {
    throw std::overflow_error("SetIdleTime: " + std::to_string(lngMinutes) +
                              " minutes is more seconds than a 32-bit signed number holds");
  }
  SendCommand(CommandLine("toc_set_idle").Number(std::int64_t{lngMinutes} * kSecondsPerMinute));
}

// Both passwords travel as escaped plain text; roasting is for sign-on only.
void QuovTOCSock::ChangePassword(const std::string& strOldPassword, const std::string& strNewPassword) {
  SendCommand(CommandLine("toc_change_passwd").Text(strOldPassword).Text(strNewPassword));
}

void QuovTOCSock::FormatUserName(const std::string& strFormatted) {
  SendCommand(CommandLine("toc_format_nickname").Raw(strFormatted));
}

void QuovTOCSock::WarnUser(const std::string& strUserName, bool blnAnonymous) {
  SendCommand(CommandLine("toc_evil").User(strUserName).Raw(blnAnonymous ? "anon" : "norm"));
}

void QuovTOCSock::SetCapability(const std::string& strCapUUID) {
  SendCommand(CommandLine("toc_set_caps").Raw(strCapUUID));
}
