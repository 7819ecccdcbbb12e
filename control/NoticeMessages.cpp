// Instant messages, error reports and the server's other notices. Each
// message becomes one event; a message lacking a field its event needs, or
// carrying a number out of range, raises nothing.
//
// An ERROR report's code is matched as text, exactly, against the error
// table, so "0901" matches no row; the event still carries the code as a
// number. The refusals of a sign-on raise SignOnRefused after their Error.
// Code 951 is split once more so its room name ends at a colon and
// its sub-code keeps the rest.
#include <array>
#include <string>

#include "MessageFields.h"
#include "QuovTOCSock.h"
#include "TocErrorCodes.h"

namespace {
struct TextRow {
  std::string_view code;
  std::string_view text;
};

constexpr std::array kFixedErrorTexts{
    TextRow{toc_error::kTooFast, "A message has been dropped, you are exceeding the server speed limit"},
    TextRow{toc_error::kBadInput, "Error validating input"},
    TextRow{toc_error::kBadAccount, "Invalid account or password"},
    TextRow{toc_error::kSignOnTooSoon, "You are attempting to sign on again too soon"},
};

constexpr std::array kChatJoinFailures{
    TextRow{"-1", "': Possible Reset"},
    TextRow{toc_error::kChatFull, "': Chat Full"},
    TextRow{"48", "': Rated"},
    TextRow{"74", "': Ejected"},
};

constexpr std::array kSignOnFailures{
    TextRow{toc_error::kBadScreenNameOrPassword, "The screenname or password you entered is not valid"},
    TextRow{toc_error::kSignOnBlocked, "Sign on Blocked"},
};

template <std::size_t N>
std::optional<std::string_view> Lookup(const std::array<TextRow, N>& rows, std::optional<std::string_view> code) {
  for (const TextRow& row : rows) {
    if (code == row.code) return row.text;
  }
  return std::nullopt;
}

// The text for an ERROR report split into 3 fields, of which field 1, the
// code, is present; nothing when the text needs an argument that the report
// does not carry.
std::optional<std::string> ErrorText(std::string_view message, const MessageFields& fields) {
  const std::string_view code = *fields.View(1);
  const auto argument = fields.Text(2);

  if (code == toc_error::kUserNotAvailable) {
    if (!argument) return std::nullopt;
    return *argument + " is not available";
  }
  if (code == toc_error::kWarningNotAvailable) {
    if (!argument) return std::nullopt;
    return "Warning of " + *argument + " is not currently available";
  }
  if (const auto text = Lookup(kFixedErrorTexts, code)) return std::string(*text);
  if (code == toc_error::kChatJoinFailed) {
    const MessageFields chat(message, 4);
    const auto room = chat.Text(2);
    if (!room) return std::nullopt;
    const auto suffix = Lookup(kChatJoinFailures, chat.View(3));
    return "Could not join chat '" + *room + std::string(suffix.value_or("': Unknown error"));
  }
  if (code == toc_error::kSignOnFailed) {
    if (!argument) return std::nullopt;
    return QuovTOCSock::SignOnFailedText(*argument);
  }
  return "Error code: " + std::string(code);
}
}  // namespace

std::string QuovTOCSock::SignOnFailedText(std::string_view subCode) {
  if (const auto text = Lookup(kSignOnFailures, subCode)) return std::string(*text);
  return "Unknown error code 989, sub error: " + std::string(subCode);
}

void QuovTOCSock::HandleImInEnc2(std::string_view message) {
  const MessageFields fields(message, 10);
  auto sender = fields.Text(1);
  auto userClass = fields.Text(5);
  auto text = fields.Text(9);
  if (!sender || !userClass || !text) return;
  bool autoResponse = fields.View(2) != "F";
  events_->InstantMessage(*sender, *text, autoResponse, *userClass);
}

void QuovTOCSock::HandleError(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto code = fields.Int16(1);
  if (!code) return;
  auto text = ErrorText(message, fields);
  if (!text) return;
  const std::string_view codeText = *fields.View(1);
  if (codeText != toc_error::kBadAccount && codeText != toc_error::kSignOnTooSoon &&
      codeText != toc_error::kSignOnFailed) {
    RaiseError(*code, std::move(*text));
    return;
  }
  std::string refusal = *text;
  RaiseError(*code, std::move(*text));
  // An Error handler that closed the connection has dealt with the refusal.
  if (Sock->State() != SocketState::Connected) return;
  const auto subCode = codeText == toc_error::kSignOnFailed ? fields.Int32(2) : std::nullopt;
  events_->SignOnRefused(*code, subCode.value_or(0), refusal);
}

void QuovTOCSock::HandleGotoUrl(std::string_view message) {
  if (auto url = MessageFields(message, 3).Text(2)) events_->UserProfile(*url);
}

void QuovTOCSock::HandleEviled(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto level = fields.Int16(1);
  auto from = fields.Text(2);
  if (!level || !from) return;
  std::string levelText = std::to_string(*level);
  events_->Warned(levelText, *from);
}

void QuovTOCSock::HandleAdminNickStatus(std::string_view /*message*/) { events_->ScreenNameFormatted(); }

void QuovTOCSock::HandleAdminPasswdStatus(std::string_view /*message*/) { events_->PasswordChanged(); }

void QuovTOCSock::HandleRvousPropose(std::string_view message) {
  const MessageFields fields(message, MessageFields::kAll);
  auto user = fields.Text(1);
  auto uuid = fields.Text(2);
  auto cookie = fields.Text(3);
  auto rendezvousIp = fields.Text(5);
  auto proposerIp = fields.Text(6);
  auto verifiedIp = fields.Text(7);
  auto port = fields.Int32(8);
  if (!user || !uuid || !cookie || !rendezvousIp || !proposerIp || !verifiedIp || !port) return;
  events_->RendevousRequest(*user, *uuid, *cookie, *rendezvousIp, *proposerIp, *verifiedIp, *port);
}

void QuovTOCSock::HandleClientEvent2(std::string_view message) {
  const MessageFields fields(message, 3);
  auto user = fields.Text(1);
  auto status = fields.Int16(2);
  if (user && status) events_->TypingStatus(*user, *status);
}
