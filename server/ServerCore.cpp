// Connections, framing, sign-on and the flow of output; the requests are
// served in RoomRequests.cpp, UserRequests.cpp and ListRequests.cpp.
#include "ServerCore.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "LogText.h"
#include "PeerAddress.h"
#include "ServerLimits.h"
#include "ServerMessages.h"
#include "TocErrorCodes.h"
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
    : accounts_(std::move(accounts)), settings_(std::move(settings)), flow_(settings_.flow) {}

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

RateLimits& ServerCore::RatesOf(const ClientSession& session) { return rates_[session.key]; }

const Account& ServerCore::AccountOf(ClientSession& session) {
  if (session.unsavedAccount) return *session.unsavedAccount;
  return *accounts_.Find(session.key);
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

void ServerCore::Notice(ConnectionId id, std::string_view line) {
  output_.push_back({ServerOutput::Kind::Log, id, EscapeForLog(line)});
}

void ServerCore::Open(ConnectionId id, std::string_view peer) {
  const std::string address = AddressGroup(peer);
  const auto fromAddress = static_cast<std::size_t>(std::count_if(
      sessions_.begin(), sessions_.end(), [&](const auto& entry) { return entry.second.address == address; }));
  const bool full = sessions_.size() >= limits::kMaxConnections;
  Log(id, "connected from " + std::string(peer));
  if (full || fromAddress >= settings_.connectionsPerAddress || sessions_.contains(id)) {
    Log(id, full ? "refused: too many connections" : "refused: too many connections from " + std::string(address));
    output_.push_back({ServerOutput::Kind::Close, id, {}});
    return;
  }
  ClientSession session;
  session.address = address;
  session.openedAt = Now();
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
  Settle();
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
    // While output is slowed, a talker's frames wait in its reader.
    if (session->waiting) return;
    const std::string_view pending = session->reader.Bytes();
    if (pending.size() >= flap::kHeaderSize && pending[0] == flap::kMarker &&
        static_cast<std::size_t>(flap::DecodeWord(pending.substr(4, 2))) > limits::kMaxClientPayload) {
      Close(id, "frame over the limit");
      return;
    }
    // So do the frames of an address that has spent its budget for rooms.
    if ((flow_.Slowed() || !RoomBudgetLeft(*session)) && session->reader.Size() > 0) {
      session->waiting = true;
      waiting_.push_back(id);
      output_.push_back({ServerOutput::Kind::StopReading, id, {}});
      return;
    }
    switch (session->reader.Next(frame)) {
      case flap::Reader::Result::Frame:
        HandleFrame(id, *session, frame);
        // Readers it sent too much are cut off now, before the next frame can send them more.
        CutOffOverflowing();
        break;
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
//
// A name that is not an account of a closed store is answered exactly as a
// wrong password is, and its tries are counted alike, so that no answer
// tells which accounts exist.
void ServerCore::HandleLogin(ConnectionId id, ClientSession& session, std::string_view line) {
  const auto command = ParseClientCommand(line);
  if (!command || command->name != "toc2_login" || command->args.size() < 4) {
    Close(id, "expected toc2_login");
    return;
  }
  const std::string& name = command->args[2];
  const std::string key = NormalizeName(name);
  const std::int64_t now = Now();
  std::erase_if(signOns_, [&](const auto& entry) { return entry.second.Full(now); });
  const auto burst = static_cast<std::int64_t>(settings_.connectionsPerAddress);
  auto& signOns = signOns_.try_emplace(session.address, burst, limits::kSignOnsPerSecond).first->second;
  if (!signOns.Take(now) || wrongPasswords_.Delayed(key, session.address, now)) {
    Send(id, session, to_client::Error(toc_error::kSignOnTooSoon));
    Close(id, "sign-on refused for " + name + ": too soon");
    return;
  }
  const Account* account = accounts_.Find(key);
  const bool validName = !key.empty() && IsPlainEntry(name, limits::kMaxScreenName);
  const bool refused = account != nullptr ? !account->AcceptsRoasted(command->args[3]) : accounts_.Closed();
  if (!validName || key != NormalizeName(session.frameName) || refused) {
    if (validName && refused) wrongPasswords_.Failed(key, session.address, now);
    Send(id, session, to_client::Error(toc_error::kBadAccount));
    Close(id, "sign-on refused for " + name);
    return;
  }
  wrongPasswords_.Succeeded(key, session.address);
  if (account == nullptr) account = accounts_.Open(key, name);
  if (account == nullptr) {
    session.unsavedAccount = Account(name, std::nullopt);
    Notice(id, "the account store is full: the lists of " + name + " are kept only until it signs off");
  }
  CompleteSignOn(id, session, key, account != nullptr ? *account : *session.unsavedAccount);
}

void ServerCore::CompleteSignOn(ConnectionId id, ClientSession& session, const std::string& key,
                                const Account& account) {
  if (const auto earlier = online_.find(key); earlier != online_.end()) {
    Close(earlier->second, "signed on again elsewhere");
  }
  const std::int64_t now = Now();
  std::erase_if(rates_, [&](const auto& entry) { return !online_.contains(entry.first) && entry.second.Rested(now); });
  session.phase = ClientSession::Phase::SignedOn;
  session.key = key;
  session.displayName = account.DisplayName();
  session.signOnTime = now;
  online_[key] = id;
  Log(id, "signed on as " + session.displayName);
  Send(id, session, to_client::SignOn());
  Send(id, session, to_client::Nick(session.displayName));
  for (const auto& chunk : SplitConfiguration(account.ConfigurationText(), limits::kConfigChunk)) {
    Send(id, session, to_client::Config2(chunk));
  }
}

void ServerCore::HandleCommand(ConnectionId id, ClientSession& session, std::string_view line) {
  const auto command = ParseClientCommand(line);
  const std::string_view name = line.substr(0, line.find(' '));
  Log(id, session.key + ": " + std::string(name));
  const auto& commands = Commands();
  const auto entry = commands.find(name);
  if (!command || entry == commands.end() || command->args.size() < entry->second.minArgs) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  if (entry->second.handler != nullptr) (this->*entry->second.handler)(id, session, *command);
}

// Each command with the least number of arguments it needs.
const std::unordered_map<std::string_view, ServerCore::CommandEntry>& ServerCore::Commands() {
  static const std::unordered_map<std::string_view, CommandEntry> commands{
      {"toc_init_done", {&ServerCore::InitDone, 0}},
      {"toc_noop", {nullptr, 0}},
      {"toc_chat_join", {&ServerCore::ChatJoin, 2}},
      {"toc_chat_send", {&ServerCore::ChatSend, 2}},
      {"toc_chat_leave", {&ServerCore::ChatLeave, 1}},
      {"toc_chat_invite", {&ServerCore::ChatInvite, 3}},
      {"toc_chat_accept", {&ServerCore::ChatAccept, 1}},
      {"toc_chat_whisper", {&ServerCore::ChatWhisper, 3}},
      {"toc_send_im", {&ServerCore::SendIm, 2}},
      {"toc2_send_im", {&ServerCore::SendIm, 2}},
      {"toc2_send_im_enc", {&ServerCore::SendIm, 5}},
      {"toc2_client_event", {&ServerCore::ClientEvent, 2}},
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
  const bool within = flow_.Queue(id, frame.size(), Now());
  output_.push_back({ServerOutput::Kind::Send, id, std::move(frame)});
  // Only the frame that takes it over the bound marks it: the queue shrinks only by being written.
  if (!within && flow_.Unsent(id) - output_.back().bytes.size() <= settings_.flow.perConnection) {
    overflowing_.push_back(id);
  }
}

void ServerCore::Written(ConnectionId id, std::size_t count) {
  if (!sessions_.contains(id)) return;
  flow_.Written(id, count, Now());
  Settle();
}

void ServerCore::Tick() {
  const std::int64_t now = Now();
  std::vector<ConnectionId> late;
  for (const auto& [id, session] : sessions_) {
    if (session.phase != ClientSession::Phase::SignedOn && now - session.openedAt >= limits::kSignOnSeconds) {
      late.push_back(id);
    }
  }
  for (const ConnectionId id : late) Close(id, "sign-on not completed in time");
  std::erase_if(roomBytes_, [&](const auto& entry) { return entry.second.Full(now); });
  for (const ConnectionId id : flow_.ToCutOff(now)) {
    Close(id, "cut off: not taking what the server sends", ServerOutput::Kind::CutOff);
  }
  Settle();
}

void ServerCore::CutOffOverflowing() {
  // Each departure a cut-off causes may take another reader over its bound.
  while (!overflowing_.empty()) {
    const ConnectionId reader = overflowing_.back();
    overflowing_.pop_back();
    Close(reader, "cut off: more unsent than its send queue may hold", ServerOutput::Kind::CutOff);
  }
}

void ServerCore::Settle() {
  for (;;) {
    if (!overflowing_.empty()) {
      CutOffOverflowing();
    } else if (flow_.Total() > settings_.flow.total) {
      for (const ConnectionId id : flow_.ToCutOff(Now())) {
        Close(id, "cut off: the largest queue while the server's output is over its bound", ServerOutput::Kind::CutOff);
      }
    } else if (!flow_.Slowed() && !waiting_.empty()) {
      // The first in line whose address may say more; the others go on waiting for a Tick.
      const auto next = std::find_if(waiting_.begin(), waiting_.end(),
                                     [&](ConnectionId id) { return RoomBudgetLeft(sessions_.at(id)); });
      if (next == waiting_.end()) return;
      const ConnectionId id = *next;
      waiting_.erase(next);
      ClientSession* session = Find(id);
      session->waiting = false;
      output_.push_back({ServerOutput::Kind::ResumeReading, id, {}});
      ReadFrames(id);
    } else {
      return;
    }
  }
}

void ServerCore::Send(ConnectionId id, ClientSession& session, std::string_view message) {
  SendFrame(id, session, flap::kData, message);
}

void ServerCore::Send(ConnectionId id, std::string_view message) {
  if (ClientSession* session = Find(id)) Send(id, *session, message);
}

void ServerCore::SendKeepAlives() {
  for (auto& [id, session] : sessions_) {
    if (session.phase == ClientSession::Phase::SignedOn) SendFrame(id, session, flap::kKeepAlive, {});
  }
  Settle();
}

void ServerCore::Close(ConnectionId id, std::string_view reason, ServerOutput::Kind kind) {
  if (!sessions_.contains(id)) return;
  // A cut-off is logged even when the server is not verbose: it is the one sign that a reader fell behind.
  if (kind == ServerOutput::Kind::CutOff) {
    Notice(id, reason);
  } else {
    Log(id, "closed: " + std::string(reason));
  }
  EndSession(id);
  output_.push_back({kind, id, {}});
}

void ServerCore::Gone(ConnectionId id) {
  if (!sessions_.contains(id)) return;
  Log(id, "disconnected");
  EndSession(id);
  Settle();
}

void ServerCore::EndSession(ConnectionId id) {
  ClientSession& session = sessions_.at(id);
  while (!session.rooms.empty()) LeaveRoom(id, session, session.rooms.front());
  if (session.phase == ClientSession::Phase::SignedOn) ForgetPresence(id, session);
  if (const auto it = online_.find(session.key); it != online_.end() && it->second == id) online_.erase(it);
  if (session.waiting) std::erase(waiting_, id);
  flow_.Forget(id);
  sessions_.erase(id);
}
