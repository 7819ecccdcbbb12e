// Connections, framing and sign-on; the commands are in ChatCommands.cpp,
// UserCommands.cpp and ListCommands.cpp.
#include "ServerCore.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "LogText.h"
#include "ServerLimits.h"
#include "WireText.h"

namespace {

// The forms of the greeting: line feeds from our client, CR LF pairs from others.
constexpr std::string_view kGreetingLf = flap::kGreeting;
constexpr std::string_view kGreetingCrLf{"FLAPON\r\n\r\n"};

// The server's sign-on frame carries the FLAP version.
constexpr std::string_view kFlapVersion{"\0\0\0\x01", 4};

// A sign-on frame: version, tag 1, the name's length, the name.
constexpr std::size_t kSignOnNameOffset = 8;

}  // namespace

ServerCore::ServerCore(AccountStore accounts, ServerSettings settings)
    : accounts_(std::move(accounts)), settings_(std::move(settings)) {}

std::int64_t ServerCore::Now() const {
  if (settings_.clock) return settings_.clock();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

ClientSession* ServerCore::Find(ConnectionId id) {
  const auto it = sessions_.find(id);
  return it == sessions_.end() ? nullptr : &it->second;
}

ClientSession* ServerCore::FindOnline(std::string_view name) {
  const auto it = online_.find(NormalizeName(name));
  return it == online_.end() ? nullptr : Find(it->second);
}

std::vector<ServerOutput> ServerCore::TakeOutput() { return std::exchange(output_, {}); }

std::size_t ServerCore::PendingInputBytes() const {
  std::size_t total = 0;
  for (const auto& [id, session] : sessions_) total += session.greeting.size() + session.reader.Size();
  return total;
}

void ServerCore::Log(ConnectionId id, std::string_view line) {
  if (!settings_.verbose) return;
  output_.push_back({ServerOutput::Kind::Log, id, EscapeForLog(line)});
}

void ServerCore::Open(ConnectionId id, std::string_view address) {
  const auto fromAddress = static_cast<std::size_t>(std::count_if(
      sessions_.begin(), sessions_.end(), [&](const auto& entry) { return entry.second.address == address; }));
  const bool full = sessions_.size() >= limits::kMaxConnections;
  if (full || fromAddress >= settings_.connectionsPerAddress || sessions_.contains(id)) {
    Log(id, full ? "refused: too many connections" : "refused: too many connections from " + std::string(address));
    output_.push_back({ServerOutput::Kind::Close, id, {}});
    return;
  }
  ClientSession session;
  session.address = std::string(address);
  sessions_.emplace(id, std::move(session));
}

void ServerCore::Receive(ConnectionId id, std::string_view bytes) {
  ClientSession* session = Find(id);
  if (session == nullptr) return;
  if (session->phase == ClientSession::Phase::Greeting) {
    bytes = TakeGreeting(id, *session, bytes);
    session = Find(id);
    if (session == nullptr || session->phase == ClientSession::Phase::Greeting) return;
  }
  session->reader.Append(bytes);
  ReadFrames(id);
  ServeResumed();
}

// Takes greeting bytes from the front of bytes and returns the rest. On the
// whole greeting the server's sign-on frame goes out.
std::string_view ServerCore::TakeGreeting(ConnectionId id, ClientSession& session, std::string_view bytes) {
  const std::size_t held = session.greeting.size();
  session.greeting.append(bytes.substr(0, kGreetingCrLf.size() - held));
  for (const std::string_view form : {kGreetingLf, kGreetingCrLf}) {
    if (session.greeting.starts_with(form)) {
      session.greeting.clear();
      session.phase = ClientSession::Phase::SignOnFrame;
      SendFrame(id, session, flap::kSignOn, kFlapVersion);
      return bytes.substr(form.size() - held);
    }
  }
  if (!kGreetingLf.starts_with(session.greeting) && !kGreetingCrLf.starts_with(session.greeting)) {
    Close(id, "bad greeting");
  }
  return {};
}

void ServerCore::ReadFrames(ConnectionId id) {
  std::string frame;
  // A frame's handling may close the connection: the session is looked up again each time.
  while (ClientSession* session = Find(id)) {
    // A held sender's frames wait in the reader until it is released.
    if (!session->heldBy.empty()) return;
    const std::string_view pending = session->reader.Bytes();
    if (pending.size() >= flap::kHeaderSize && pending[0] == flap::kMarker &&
        static_cast<std::size_t>(flap::DecodeWord(pending.substr(4, 2))) > limits::kMaxClientPayload) {
      Close(id, "frame over the limit");
      return;
    }
    switch (session->reader.Next(frame)) {
      case flap::Reader::Result::Frame: {
        const auto outer = std::exchange(speaker_, id);
        HandleFrame(id, *session, frame);
        speaker_ = outer;
        break;
      }
      case flap::Reader::Result::NeedMore:
        return;
      case flap::Reader::Result::BadMarker:
        Close(id, "bad frame marker");
        return;
    }
  }
}

void ServerCore::HandleFrame(ConnectionId id, ClientSession& session, const std::string& frame) {
  const char type = frame[1];
  const std::string_view payload = flap::Payload(frame);
  if (type == flap::kKeepAlive) return;
  if (type == flap::kSignOff) {
    Close(id, "signed off");
    return;
  }
  // The command is the text before the NUL that ends it.
  const std::string_view line = payload.substr(0, payload.find('\0'));
  if (type == flap::kData && line.size() > limits::kMaxCommand) {
    Close(id, "command longer than 2048 bytes");
    return;
  }
  switch (session.phase) {
    case ClientSession::Phase::SignOnFrame:
      if (type != flap::kSignOn) break;
      ReadSignOnFrame(id, session, payload);
      return;
    case ClientSession::Phase::Login:
      if (type != flap::kData) break;
      HandleLogin(id, session, line);
      return;
    case ClientSession::Phase::SignedOn:
      if (type != flap::kData) break;
      HandleCommand(id, session, line);
      return;
    case ClientSession::Phase::Greeting:
      break;
  }
  Close(id, "frame of type " + std::to_string(static_cast<unsigned char>(type)) + " out of order");
}

void ServerCore::ReadSignOnFrame(ConnectionId id, ClientSession& session, std::string_view payload) {
  const auto length =
      static_cast<std::size_t>(flap::DecodeWord(payload.substr(std::min<std::size_t>(6, payload.size()))));
  if (payload.size() < kSignOnNameOffset || flap::DecodeWord(payload.substr(4, 2)) != 1 ||
      payload.size() - kSignOnNameOffset != length) {
    Close(id, "malformed sign-on frame");
    return;
  }
  session.frameName = std::string(payload.substr(kSignOnNameOffset));
  session.phase = ClientSession::Phase::Login;
}

// toc2_login: authorizer host, port, screen name, roasted password, then
// language, client name and codes that the server does not check.
void ServerCore::HandleLogin(ConnectionId id, ClientSession& session, std::string_view line) {
  const auto command = ParseClientCommand(line);
  if (!command || command->name != "toc2_login" || command->args.size() < 4) {
    Close(id, "expected toc2_login");
    return;
  }
  const std::string& name = command->args[2];
  const std::string key = NormalizeName(name);
  Account* account = accounts_.Find(key);
  const bool validName = !key.empty() && IsPlainEntry(name, limits::kMaxScreenName);
  const std::int64_t now = Now();
  if (account != nullptr && account->password) {
    const auto throttle = wrongPasswords_.find(key);
    if (throttle != wrongPasswords_.end() && throttle->second.Blocked(now)) {
      Send(id, session, "ERROR:983");
      Close(id, "sign-on refused for " + name + ": too many wrong passwords");
      return;
    }
  }
  const bool wrongPassword = account != nullptr && !account->AcceptsRoasted(command->args[3]);
  const bool refused = account != nullptr ? wrongPassword : accounts_.Closed();
  if (!validName || key != NormalizeName(session.frameName) || refused) {
    if (validName && wrongPassword) {
      // Records of names that no longer have anything to remember are dropped on the way.
      std::erase_if(wrongPasswords_, [&](const auto& entry) { return entry.second.Forgotten(now); });
      wrongPasswords_[key].Failed(now);
    }
    Send(id, session, "ERROR:980");
    Close(id, "sign-on refused for " + name);
    return;
  }
  if (account == nullptr) {
    account = &accounts_.Open(key, name, [this](const std::string& k) { return online_.contains(k); });
  }
  CompleteSignOn(id, session, key, *account);
}

void ServerCore::CompleteSignOn(ConnectionId id, ClientSession& session, const std::string& key, Account& account) {
  if (const auto earlier = online_.find(key); earlier != online_.end()) {
    Close(earlier->second, "signed on again elsewhere");
  }
  session.phase = ClientSession::Phase::SignedOn;
  session.key = key;
  session.displayName = account.displayName;
  session.signOnTime = Now();
  online_[key] = id;
  Log(id, "signed on as " + session.displayName);
  Send(id, session, "SIGN_ON:TOC2.0");
  Send(id, session, "NICK:" + session.displayName);
  for (const auto& chunk : SplitConfiguration(account.ConfigurationText(), limits::kConfigChunk)) {
    Send(id, session, "CONFIG2:" + chunk);
  }
}

void ServerCore::HandleCommand(ConnectionId id, ClientSession& session, std::string_view line) {
  const auto command = ParseClientCommand(line);
  const std::string_view name = line.substr(0, line.find(' '));
  Log(id, session.key + ": " + std::string(name));
  const auto& commands = Commands();
  const auto entry = commands.find(name);
  if (!command || entry == commands.end() || command->args.size() < entry->second.minArgs) {
    SendError(id, session, "911");
    return;
  }
  if (entry->second.handler != nullptr) (this->*entry->second.handler)(id, session, *command);
}

// Each command with the least number of arguments it needs.
const std::unordered_map<std::string_view, ServerCore::CommandEntry>& ServerCore::Commands() {
  static const std::unordered_map<std::string_view, CommandEntry> commands{
      {"toc_init_done", {nullptr, 0}},
      {"toc_chat_join", {&ServerCore::ChatJoin, 2}},
      {"toc_chat_send", {&ServerCore::ChatSend, 2}},
      {"toc_chat_leave", {&ServerCore::ChatLeave, 1}},
      {"toc_chat_invite", {&ServerCore::ChatInvite, 3}},
      {"toc_chat_accept", {&ServerCore::ChatAccept, 1}},
      {"toc_send_im", {&ServerCore::SendIm, 2}},
      {"toc_get_info", {&ServerCore::GetInfo, 1}},
      {"toc_set_info", {&ServerCore::SetInfo, 1}},
      {"toc_set_away", {&ServerCore::SetAway, 0}},
      {"toc_get_status", {&ServerCore::GetStatus, 1}},
      {"toc_set_idle", {&ServerCore::SetIdle, 1}},
      {"toc_set_caps", {&ServerCore::SetCaps, 0}},
      {"toc_evil", {&ServerCore::Evil, 2}},
      {"toc_change_passwd", {&ServerCore::ChangePassword, 2}},
      {"toc_format_nickname", {&ServerCore::FormatNickname, 1}},
      {"toc2_new_buddies", {&ServerCore::NewBuddies, 1}},
      {"toc2_remove_buddy", {&ServerCore::RemoveBuddy, 2}},
      {"toc2_new_group", {&ServerCore::NewGroup, 1}},
      {"toc2_del_group", {&ServerCore::DeleteGroup, 1}},
      {"toc2_add_deny", {&ServerCore::AddDeny, 1}},
      {"toc2_remove_deny", {&ServerCore::RemoveDeny, 1}},
      {"toc2_add_permit", {&ServerCore::AddPermit, 1}},
      {"toc2_remove_permit", {&ServerCore::RemovePermit, 1}},
      {"toc2_set_pdmode", {&ServerCore::SetPdMode, 1}},
  };
  return commands;
}

void ServerCore::SendFrame(ConnectionId id, ClientSession& session, char type, std::string_view payload) {
  std::string frame = flap::BuildFrame(type, session.sequence++, payload);
  const bool wasOver = session.unsent > limits::kHoldAbove;
  session.unsent += frame.size();
  output_.push_back({ServerOutput::Kind::Send, id, std::move(frame)});
  if (session.unsent <= limits::kHoldAbove) return;
  // The wait for progress starts when the output first goes over, not at the last write long ago.
  if (!wasOver) session.lastProgress = Now();
  if (speaker_) Hold(*speaker_, id);
}

void ServerCore::Hold(ConnectionId speaker, ConnectionId reader) {
  ClientSession* sender = Find(speaker);
  ClientSession* holder = Find(reader);
  if (sender == nullptr || holder == nullptr) return;
  if (std::find(sender->heldBy.begin(), sender->heldBy.end(), reader) != sender->heldBy.end()) return;
  if (sender->heldBy.empty()) output_.push_back({ServerOutput::Kind::StopReading, speaker, {}});
  sender->heldBy.push_back(reader);
  holder->holding.push_back(speaker);
}

void ServerCore::ReleaseHeldSenders(ConnectionId reader) {
  ClientSession* holder = Find(reader);
  if (holder == nullptr) return;
  for (const ConnectionId speaker : std::exchange(holder->holding, {})) {
    ClientSession* sender = Find(speaker);
    if (sender == nullptr) continue;
    std::erase(sender->heldBy, reader);
    if (!sender->heldBy.empty()) continue;
    output_.push_back({ServerOutput::Kind::ResumeReading, speaker, {}});
    resumed_.push_back(speaker);
  }
}

void ServerCore::ServeResumed() {
  while (!resumed_.empty()) {
    const ConnectionId id = resumed_.back();
    resumed_.pop_back();
    ReadFrames(id);
  }
}

void ServerCore::Written(ConnectionId id, std::size_t count) {
  ClientSession* session = Find(id);
  if (session == nullptr) return;
  session->unsent -= std::min(count, session->unsent);
  session->lastProgress = Now();
  if (session->unsent < limits::kReleaseBelow) ReleaseHeldSenders(id);
  ServeResumed();
}

void ServerCore::CutOffStalledReaders() {
  const std::int64_t now = Now();
  std::vector<ConnectionId> stalled;
  for (const auto& [id, session] : sessions_) {
    if (session.unsent > limits::kHoldAbove && now - session.lastProgress >= limits::kStallSeconds) {
      stalled.push_back(id);
    }
  }
  for (const ConnectionId id : stalled) Close(id, "cut off: not reading what the server sends");
  ServeResumed();
}

void ServerCore::Send(ConnectionId id, ClientSession& session, std::string_view message) {
  SendFrame(id, session, flap::kData, message);
}

void ServerCore::Send(ConnectionId id, std::string_view message) {
  if (ClientSession* session = Find(id)) Send(id, *session, message);
}

void ServerCore::SendError(ConnectionId id, ClientSession& session, std::string_view codeAndArgs) {
  Send(id, session, "ERROR:" + std::string(codeAndArgs));
}

void ServerCore::SendKeepAlives() {
  for (auto& [id, session] : sessions_) {
    if (session.phase == ClientSession::Phase::SignedOn) SendFrame(id, session, flap::kKeepAlive, {});
  }
}

void ServerCore::DropStalledSignOns() {
  std::vector<ConnectionId> stalled;
  for (auto& [id, session] : sessions_) {
    if (session.phase == ClientSession::Phase::SignedOn) continue;
    if (session.stalled) stalled.push_back(id);
    session.stalled = true;
  }
  for (const ConnectionId id : stalled) Close(id, "sign-on not completed in time");
  ServeResumed();
}

void ServerCore::Close(ConnectionId id, std::string_view reason) {
  if (!sessions_.contains(id)) return;
  Log(id, "closed: " + std::string(reason));
  EndSession(id);
  output_.push_back({ServerOutput::Kind::Close, id, {}});
}

void ServerCore::Gone(ConnectionId id) {
  if (!sessions_.contains(id)) return;
  Log(id, "disconnected");
  EndSession(id);
  ServeResumed();
}

void ServerCore::EndSession(ConnectionId id) {
  ClientSession& session = sessions_.at(id);
  while (!session.rooms.empty()) LeaveRoom(id, session, session.rooms.front());
  if (const auto it = online_.find(session.key); it != online_.end() && it->second == id) online_.erase(it);
  // The senders this one held go on; the readers that held this one forget it.
  ReleaseHeldSenders(id);
  for (const ConnectionId reader : session.heldBy) {
    if (ClientSession* holder = Find(reader)) std::erase(holder->holding, id);
  }
  sessions_.erase(id);
}
