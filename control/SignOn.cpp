// The sign-on exchange: the client's sign-on frame and "toc2_login "
// command, the screen-name format, and the buddy-list configuration that
// ends in LoggedIn and "toc_init_done"; and the phases that let each answer
// go once.
#include <string>

#include "MessageFields.h"
#include "QuovTOCSock.h"

namespace {
// A server that never ends its configuration must not grow it without bound.
constexpr std::size_t kMaxConfigText = std::size_t{1024} * 1024;

constexpr std::string_view kConfigEnd{"done:\n"};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Each run of five colons, found left to right without overlap, becomes one.
std::string CollapseFiveColons(std::string_view entry) {
  std::string collapsed;
  collapsed.reserve(entry.size());
  std::size_t pos = 0;
  for (std::size_t run = entry.find(":::::"); run != std::string_view::npos; run = entry.find(":::::", pos)) {
    collapsed.append(entry.substr(pos, run - pos));
    collapsed += ':';
    pos = run + 5;
  }
  collapsed.append(entry.substr(pos));
  return collapsed;
}
}  // namespace

std::optional<QuovTOCSock::Phase> QuovTOCSock::After(Phase phase, Step step) {
  switch (step) {
    case Step::Connected:
      return Phase::AwaitingSignOnFrame;
    case Step::SignOnFrame:
      if (phase == Phase::AwaitingSignOnFrame) return Phase::AwaitingConfiguration;
      return std::nullopt;
    case Step::ConfigurationEnd:
      if (phase == Phase::AwaitingConfiguration) return Phase::SignedOn;
      return std::nullopt;
    case Step::Closed:
      return Phase::Offline;
  }
  return std::nullopt;
}

bool QuovTOCSock::Advance(Step step) {
  const auto next = After(phase_, step);
  if (next) phase_ = *next;
  return next.has_value();
}

void QuovTOCSock::SendClientSignOn() {
  std::string signOn{'\0', '\0', '\0', '\x01', '\0', '\x01'};
  signOn += flap::EncodeWord(static_cast<std::int32_t>(strUserName.size()));
  signOn += strUserName;
  SendPacket(flap::kSignOn, std::move(signOn));

  SendPacket(flap::kData, SignOnCommand());
}

std::string QuovTOCSock::SignOnCommand() const {
  return "toc2_login " + strAuthServer + " " + std::to_string(ServerPort) + " " + strUserName + " " + strPassword +
         " English  \"QuovTOCSock 2.0\" 160 US \"\" \"\" 3 0 30303 -kentucky -utf8 52718093";
}

void QuovTOCSock::HandleNick(std::string_view message) {
  if (const auto formatted = MessageFields(message, 2).Text(1)) events_->ScreennameFormat(*formatted);
}

void QuovTOCSock::HandleConfig2(std::string_view message) {
  const std::string_view received = message.size() > 8 ? message.substr(8) : std::string_view{};
  if (received.find(kConfigEnd) == std::string_view::npos) {
    if (ConfigText.size() + received.size() > kMaxConfigText) {
      ConfigText.clear();
      RaiseError(0, "Buddy-list configuration over 1 MiB without its end; discarded");
      return;
    }
    ConfigText.append(received);
    return;
  }
  std::string text = std::move(ConfigText);
  ConfigText.clear();
  text.append(received);
  const bool ended = ReadConfiguration(text);
  // Only the configuration that completes a sign-on is answered; one sent
  // again later updates LastConfiguration and nothing else.
  if (!Advance(Step::ConfigurationEnd)) return;
  if (ended) {
    // The handler's lists are its own: a configuration that arrives while it
    // runs replaces LastConfiguration, not them.
    Configuration given = LastConfiguration;
    events_->LoggedIn(strUserName, given.BuddyList, given.BlockList, given.PrivateList, given.MiscData,
                      given.strPreferences, given.PrivacyMode);
  }
  SendPacket(flap::kData, "toc_init_done");
}

// Reads the configuration line by line; every line is consumed, the last one
// even without its line feed, so the loop always ends.
bool QuovTOCSock::ReadConfiguration(std::string_view text) {
  Configuration read;
  auto& [BuddyList, BlockList, PrivateList, MiscData, strPreferences, PrivacyMode] = read;

  while (!text.empty()) {
    const std::size_t lineFeed = text.find('\n');
    const std::string_view line = text.substr(0, lineFeed);
    text = lineFeed == std::string_view::npos ? std::string_view{} : text.substr(lineFeed + 1);

    if (StartsWith(line, "g:")) {
      BuddyList.Add("[group]" + std::string(line.substr(2)));
    } else if (StartsWith(line, "b:")) {
      BuddyList.Add(CollapseFiveColons(line.substr(2)));
    } else if (StartsWith(line, "d:")) {
      BlockList.Add(std::string(line.substr(2)));
    } else if (StartsWith(line, "pref:")) {
      strPreferences = line.substr(5);
    } else if (StartsWith(line, "p:")) {
      PrivateList.Add(std::string(line.substr(2)));
    } else if (StartsWith(line, "m:")) {
      if (line.size() > 2 && line[2] >= '0' && line[2] <= '9') PrivacyMode = static_cast<std::int16_t>(line[2] - '0');
    } else if (StartsWith(line, "done:")) {
      LastConfiguration = std::move(read);
      return true;
    } else {
      MiscData.Add(std::string(line));
    }
  }
  return false;
}
