// The bundled server's protocol core: bytes from each connection in, bytes
// for each connection and requests to close out. It holds no sockets and no
// timers: the network layer feeds it and carries out what it asks for, so
// the whole protocol can be driven from a plain function.
//
// A connection first sends the greeting; the server answers with its
// sign-on frame; the client sends its own sign-on frame and then toc2_login.
// From then on it may send any command. Anything out of order, a frame that
// is not FLAP or is over the limit, and a command longer than 2048 bytes are
// protocol faults that close that one connection; an unknown command or bad
// arguments get an ERROR and the session goes on.
//
// The core also keeps each connection's output in bounds. The network layer
// reports what it has written; a command that leaves some connection with
// too much unsent holds its sender (nothing more it sent is served, and the
// network layer stops reading it) until that connection has taken most of
// it. A connection that takes nothing for a while is cut off. Chat lines,
// instant messages and invitations are rate-limited per sender.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Accounts.h"
#include "ClientSession.h"
#include "CommandArguments.h"
#include "PasswordThrottle.h"
#include "Rooms.h"
#include "ServerLimits.h"

struct ServerOutput {
  // StopReading: read nothing more from the connection until ResumeReading.
  enum class Kind { Send, Close, Log, StopReading, ResumeReading };
  Kind kind;
  ConnectionId connection;
  // Send: the bytes. Log: the line, without the connection's number.
  std::string bytes;
};

struct ServerSettings {
  // One log line per connection, sign-on and command; never a password.
  bool verbose = false;
  // Seconds since the epoch; the system clock when empty.
  std::function<std::int64_t()> clock;
  // Connections one peer address may hold at once.
  std::size_t connectionsPerAddress = limits::kMaxConnectionsPerAddress;
};

class ServerCore {
 public:
  ServerCore(AccountStore accounts, ServerSettings settings);

  // A new connection from address; closed at once when the server, or that
  // address, has too many.
  void Open(ConnectionId id, std::string_view address);
  void Receive(ConnectionId id, std::string_view bytes);
  // The peer went away; its rooms are told.
  void Gone(ConnectionId id);
  // The network layer has written count bytes of the connection's output.
  void Written(ConnectionId id, std::size_t count);
  // Cuts off every connection that has more than limits::kHoldAbove unsent
  // and has written nothing for limits::kStallSeconds; call every second or so.
  void CutOffStalledReaders();

  // A keep-alive frame to every signed-on client.
  void SendKeepAlives();
  // Closes every connection that was not signed on at the previous call either.
  void DropStalledSignOns();

  // A room that stays open when empty, for people the server plays itself;
  // 0 when the room table is full.
  std::int32_t OpenKeptRoom(std::int32_t exchange, std::string_view name);
  void ScriptedArrival(std::int32_t roomId, std::string_view name);
  void ScriptedMessage(std::int32_t roomId, std::string_view name, std::string_view text);
  void ScriptedDeparture(std::int32_t roomId, std::string_view name);

  // What the network layer is to do, in order; the queue is emptied.
  std::vector<ServerOutput> TakeOutput();

  [[nodiscard]] std::size_t ConnectionCount() const { return sessions_.size(); }
  [[nodiscard]] std::size_t RoomCount() const { return rooms_.Count(); }
  // Received bytes held for all connections, waiting to form whole frames.
  [[nodiscard]] std::size_t PendingInputBytes() const;

 private:
  using CommandHandler = void (ServerCore::*)(ConnectionId, ClientSession&, const ClientCommand&);
  struct CommandEntry {
    // None for a command that is accepted and needs nothing done.
    CommandHandler handler;
    std::size_t minArgs;
  };

  // Connection and framing.
  ClientSession* Find(ConnectionId id);
  std::string_view TakeGreeting(ConnectionId id, ClientSession& session, std::string_view bytes);
  void ReadFrames(ConnectionId id);
  void HandleFrame(ConnectionId id, ClientSession& session, const std::string& frame);
  void ReadSignOnFrame(ConnectionId id, ClientSession& session, std::string_view payload);
  void HandleLogin(ConnectionId id, ClientSession& session, std::string_view line);
  void CompleteSignOn(ConnectionId id, ClientSession& session, const std::string& key, Account& account);
  void HandleCommand(ConnectionId id, ClientSession& session, std::string_view line);
  void Close(ConnectionId id, std::string_view reason);
  void EndSession(ConnectionId id);

  // Output bounds: the speaker's reading is held by a reader with too much unsent.
  void Hold(ConnectionId speaker, ConnectionId reader);
  void ReleaseHeldSenders(ConnectionId reader);
  // Serves what held senders sent before they were held, now that they are not.
  void ServeResumed();

  void SendFrame(ConnectionId id, ClientSession& session, char type, std::string_view payload);
  void Send(ConnectionId id, ClientSession& session, std::string_view message);
  void Send(ConnectionId id, std::string_view message);
  void SendError(ConnectionId id, ClientSession& session, std::string_view codeAndArgs);
  void Log(ConnectionId id, std::string_view line);
  std::int64_t Now() const;
  ClientSession* FindOnline(std::string_view name);

  // Chat rooms.
  void ChatJoin(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatSend(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatLeave(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatInvite(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatAccept(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void EnterRoom(ConnectionId id, ClientSession& session, Room& room);
  void LeaveRoom(ConnectionId id, ClientSession& session, std::int32_t roomId);
  // The room the argument names, when the session is in it.
  Room* JoinedRoom(ClientSession& session, std::string_view idText);
  void Broadcast(const Room& room, std::string_view message);

  // Messages, profile and status.
  void SendIm(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void GetInfo(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetInfo(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetAway(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void GetStatus(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetIdle(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetCaps(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void Evil(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChangePassword(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void FormatNickname(ConnectionId id, ClientSession& session, const ClientCommand& command);
  std::string UserClass(const ClientSession& session) const;

  // Stored lists.
  void NewBuddies(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void RemoveBuddy(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void NewGroup(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void DeleteGroup(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void AddDeny(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void RemoveDeny(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void AddPermit(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void RemovePermit(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetPdMode(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChangeNames(ConnectionId id, ClientSession& session, const ClientCommand& command, char kind, bool add);
  // Reports a refused or unchanged list change; true when the change was made.
  bool Confirm(ConnectionId id, ClientSession& session, ListChange change);

  static const std::unordered_map<std::string_view, CommandEntry>& Commands();

  AccountStore accounts_;
  ServerSettings settings_;
  RoomTable rooms_;
  std::unordered_map<ConnectionId, ClientSession> sessions_;
  // Signed-on sessions by normalized screen name.
  std::unordered_map<std::string, ConnectionId> online_;
  std::vector<ServerOutput> output_;
  // The connection whose command is being served: output it causes may hold it.
  std::optional<ConnectionId> speaker_;
  std::vector<ConnectionId> resumed_;
  // Wrong passwords by normalized screen name, for accounts with a password.
  std::unordered_map<std::string, PasswordThrottle> wrongPasswords_;
};
