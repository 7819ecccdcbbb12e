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
// The core also keeps output in bounds (see OutputFlow.h): the network
// layer reports what each socket has written, a reader that falls too far
// behind or stops taking anything is cut off, and only when the whole
// server's output is high are talkers slowed, by serving nothing more they
// send (the network layer stops reading them) until it is lower. Chat
// lines, instant messages, invitations and room changes are rate-limited
// per person, sign-ons and wrong passwords per address, and the bytes of
// chat lines one address puts into rooms, by holding its talkers.
//
// Presence is pushed: once a user has sent toc_init_done, everyone signed on
// who lists that user, and whom its privacy rules let see it, is told of each
// change (UPDATE_BUDDY2), and the user of its own buddies. The privacy rules
// apply to instant messages, invitations, warnings and typing events too: a
// person who may not see a user is answered as if the user were offline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Accounts.h"
#include "ClientSession.h"
#include "CommandArguments.h"
#include "OutputFlow.h"
#include "PasswordThrottle.h"
#include "RateLimits.h"
#include "Rooms.h"
#include "ServerLimits.h"
#include "TokenBucket.h"

struct ServerOutput {
  // Close: once what was sent is written. CutOff: at once, dropping what is
  // unsent. StopReading: read nothing more from the connection until ResumeReading.
  enum class Kind { Send, Close, CutOff, Log, StopReading, ResumeReading };
  Kind kind;
  ConnectionId connection;
  // Send: the bytes. Log: the line, without the connection's number.
  std::string bytes;
};

struct ServerSettings {
  // One log line per connection, sign-on and command; never a password.
  // Without it the log has only cut-off readers and names whose lists are not kept.
  bool verbose = false;
  // Seconds since the epoch; the system clock when empty.
  std::function<std::int64_t()> clock;
  // Connections one peer address may hold at once; as many may sign on at once from it.
  std::size_t connectionsPerAddress = limits::kMaxConnectionsPerAddress;
  FlowBounds flow = {};
};

class ServerCore {
 public:
  ServerCore(AccountStore accounts, ServerSettings settings);

  // A new connection from the peer address; closed at once when the server,
  // or that address (an IPv6 address by its /64), has too many.
  void Open(ConnectionId id, std::string_view peer);
  void Receive(ConnectionId id, std::string_view bytes);
  // The peer went away; its rooms are told.
  void Gone(ConnectionId id);
  // The network layer has written count bytes of the connection's output.
  void Written(ConnectionId id, std::size_t count);
  // Call every second: closes connections not signed on in time and cuts
  // off readers that have stopped, and the largest queues when the server's
  // output stays high.
  void Tick();

  // A keep-alive frame to every signed-on client.
  void SendKeepAlives();

  // A room that stays open when empty, for people the server plays itself;
  // 0 when the room table is full.
  std::int32_t OpenKeptRoom(std::int32_t exchange, std::string_view name);
  void ScriptedArrival(std::int32_t roomId, std::string_view name);
  void ScriptedMessage(std::int32_t roomId, std::string_view name, std::string_view text);
  void ScriptedDeparture(std::int32_t roomId, std::string_view name);

  // What the network layer is to do, in order; the queue is emptied.
  std::vector<ServerOutput> TakeOutput();
  // The accounts changed since the last call, to be kept before the output
  // that confirms their changes is sent.
  std::vector<ChangedAccount> TakeAccountChanges() { return accounts_.TakeChanged(); }

  [[nodiscard]] std::size_t ConnectionCount() const { return sessions_.size(); }
  [[nodiscard]] std::size_t RoomCount() const { return rooms_.Count(); }
  // Received bytes held for all connections, waiting to form whole frames.
  [[nodiscard]] std::size_t PendingInputBytes() const;
  // Output handed to the network layer and not yet reported written.
  [[nodiscard]] std::size_t QueuedOutputBytes() const { return flow_.Total(); }

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
  void CompleteSignOn(ConnectionId id, ClientSession& session, const std::string& key, const Account& account);
  void HandleCommand(ConnectionId id, ClientSession& session, std::string_view line);
  void Close(ConnectionId id, std::string_view reason, ServerOutput::Kind kind = ServerOutput::Kind::Close);
  void EndSession(ConnectionId id);
  void CutOffOverflowing();
  // Carries out what a public call left to do: cuts off the readers that
  // went over their bounds, and serves waiting talkers once output is no
  // longer slowed. Only public calls call it, last.
  void Settle();

  void SendFrame(ConnectionId id, ClientSession& session, char type, std::string_view payload);
  void Send(ConnectionId id, ClientSession& session, std::string_view message);
  void Send(ConnectionId id, std::string_view message);
  // A line for the verbose log.
  void Log(ConnectionId id, std::string_view line);
  // A line for the log whether verbose or not: what an operator should know of.
  void Notice(ConnectionId id, std::string_view line);
  std::int64_t Now() const;
  ClientSession* FindOnline(std::string_view name);
  RateLimits& RatesOf(const ClientSession& session);
  // The session's stored account, or the lists it keeps for itself.
  const Account& AccountOf(ClientSession& session);
  // Every change to a session's account goes through here, so that a stored one is kept.
  ListChange ChangeAccount(ClientSession& session, const std::function<ListChange(Account&)>& change);

  // Chat rooms.
  void ChatJoin(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatSend(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatLeave(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatInvite(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatAccept(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChatWhisper(ConnectionId id, ClientSession& session, const ClientCommand& command);
  // Whether the session's address may put more chat lines into rooms now; charged by ChargeRoomBytes.
  bool RoomBudgetLeft(const ClientSession& session);
  void ChargeRoomBytes(const ClientSession& session, std::size_t bytes);
  void EnterRoom(ConnectionId id, ClientSession& session, Room& room);
  void LeaveRoom(ConnectionId id, ClientSession& session, std::int32_t roomId);
  void DepartScripted(std::int32_t roomId, std::string_view name);
  // Closes an empty room; invitations to it go with it, since its ID may be given out again.
  void CloseRoomIfEmpty(std::int32_t roomId);
  // The room the argument names, when the session is in it; otherwise ERROR:911 is sent.
  Room* JoinedRoom(ConnectionId id, ClientSession& session, std::string_view idText);
  void Broadcast(const Room& room, std::string_view message);

  // Messages, profile and status.
  // The user named, when the sender may reach it and has a message token
  // left; otherwise the sender is told why (ERROR unavailable or 903).
  ClientSession* MessageRecipient(ConnectionId id, ClientSession& session, std::string_view name,
                                  std::string_view unavailable);
  // toc_send_im, toc2_send_im and toc2_send_im_enc.
  void SendIm(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ClientEvent(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void GetInfo(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetInfo(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetAway(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void GetStatus(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetIdle(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void SetCaps(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void Evil(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void ChangePassword(ConnectionId id, ClientSession& session, const ClientCommand& command);
  void FormatNickname(ConnectionId id, ClientSession& session, const ClientCommand& command);
  std::string_view UserClass(const ClientSession& session) const;

  // Presence.
  void InitDone(ConnectionId id, ClientSession& session, const ClientCommand& command);
  // The signed-on user of key, when the privacy rules let from reach it; nothing otherwise.
  ClientSession* Reachable(const ClientSession& from, std::string_view name);
  // Brings what viewer was told of subject up to date; with changed, an arrival is told again.
  void SyncPresence(ConnectionId viewerId, ClientSession& viewer, ClientSession& subject, bool changed);
  // Every viewer of subject brought up to date.
  void TellPresence(ClientSession& subject, bool changed);
  // After a change to the session's lists: who sees it and whom it sees.
  void ListsChanged(ConnectionId id, ClientSession& session);
  // The session's end told to those who saw it online.
  void ForgetPresence(ConnectionId id, const ClientSession& session);

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
  OutputFlow flow_;
  // Readers over their send queue's bound, to be cut off once the command that sent to them is done.
  std::vector<ConnectionId> overflowing_;
  // Talkers whose frames wait while output is slowed, in the order they began to wait.
  std::deque<ConnectionId> waiting_;
  // By normalized screen name; forgotten once rested and not signed on.
  std::unordered_map<std::string, RateLimits> rates_;
  // Sign-ons by address group; forgotten once full again.
  std::unordered_map<std::string, TokenBucket> signOns_;
  // Bytes of chat lines put into rooms, by address group; forgotten once full again.
  std::unordered_map<std::string, TokenBucket> roomBytes_;
  PasswordThrottle wrongPasswords_;
};
