// The one feed from the control to everything that tells the user about the
// room: the control's only listener. It owns the signed-on name and the one
// people list of the room watched, passes the session's events on to the
// session, and emits values (an alert, a room line, a people change, a
// status, a transcript start) to any number of sinks (FeedSink.h).
//
// A sink registered as Shown is one of the windows: an alert box runs a
// nested event loop, inside which the control keeps raising events, so what
// a Shown sink gets runs one thing at a time through an EventQueue, each
// value under that queue's policy for its kind:
//   alert, room line        behind the alert box: in arrival order, once the
//                           work before has returned; lines give way first
//                           when too much waits, and a notice says how many;
//   status, transcript start coalesced: only the latest waits;
//   people change           at once: the list follows the room, not its churn.
// A sink registered as AtOnce (a notifier, a history, a log) gets every value
// as it arrives, before any Shown sink, and must not run an event loop.
//
// The people list is the control's rule for the room last joined: each
// person once, by normalized name, the first name as delivered kept, at most
// kMaxRoomSize people; emptied when that room is left, another is joined or
// the session ends.
#pragma once

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "EventQueue.h"
#include "FeedSink.h"
#include "PeopleIndex.h"
#include "QuovTOCSockEvents.h"
#include "Session.h"
#include "WordMatcher.h"

class RoomFeed : public QuovTOCSockEvents {
 public:
  enum class Delivery { Shown, AtOnce };
  using SessionHandler = std::function<void(const Session::Event&)>;

  explicit RoomFeed(SessionHandler session, std::size_t maxWaitingBytes = EventQueue::kMaxWaitingBytes,
                    std::size_t maxWaitingLines = EventQueue::kMaxWaitingLines,
                    std::size_t maxWaitingAlerts = EventQueue::kMaxWaitingAlerts);

  // The sink gets every value emitted from now on, until removed.
  void AddSink(FeedSink& sink, Delivery delivery = Delivery::Shown);
  void RemoveSink(const FeedSink& sink);

  // The words each message is searched for, in list order, and the senders
  // who raise no alert.
  void SetWords(WordMatcher matcher) { matcher_ = std::move(matcher); }

  // What the window itself has to say: a status line, a note beside the
  // room's lines, the transcript started again.
  void ShowStatus(const QString& line);
  void ShowNote(const QString& text);
  void StartTranscript(const std::optional<QString>& room);

  // Hands the control a command; false when the control refused it, which it
  // says with an Error raised while the command is handed over.
  bool Sent(const std::function<void()>& send);
  // Drops what waits and emits nothing more; used when the program ends.
  void Discard();

  [[nodiscard]] const std::string& SignedOnName() const { return name_; }
  // The room watched, its name as the server gave it, and its people in arrival order.
  [[nodiscard]] std::optional<std::int32_t> Room() const { return room_; }
  [[nodiscard]] const QString& RoomName() const { return roomName_; }
  [[nodiscard]] const PeopleIndex& People() const { return people_; }
  [[nodiscard]] const EventQueue& Waiting() const { return queue_; }

  void LoggedIn(std::string strUserName, Collection<std::string>& BuddyList, Collection<std::string>& BlockList,
                Collection<std::string>& PrivateList, Collection<std::string>& MiscData,
                const std::string& strPreferences, std::int16_t PrivacyMode) override;
  void LoggedOut(std::string strUserName) override;
  void JoinedChat(std::string& strChatName, std::int32_t& lngChatID) override;
  void LeftChat(std::int32_t& lngChatID) override;
  void ChatMessage(std::int32_t& lngChatID, std::string& strUserName, std::string& strMessage) override;
  void ChatUserUpdate(const std::string& strUserName, bool blnInside, std::int32_t lngChatID) override;
  void WinsockError(std::string& strError) override;
  void Error(std::int16_t& intErrorCode, std::string& strError) override;
  void SignOnRefused(std::int16_t intErrorCode, std::int32_t lngSubCode, const std::string& strError) override;

 private:
  struct Registered {
    FeedSink* sink;
    Delivery delivery;
  };
  // Calls each sink of the delivery; sinks added meanwhile are called too.
  template <typename Call>
  void Each(Delivery delivery, const Call& call) const;
  // Each Shown sink's answer to an alert: true when one dismissed those waiting.
  bool ShowAlert(const AlertValue& alert) const;
  void Emit(const PeopleChange& change) const;
  void EmitLine(RoomLine line);
  // The people list empties; the room watched is forgotten unless given.
  void ForgetRoom(std::optional<std::int32_t> next = std::nullopt);

  SessionHandler session_;
  std::vector<Registered> sinks_;
  EventQueue queue_;
  WordMatcher matcher_;
  // Normalized, as the control signed on; empty while not signed on.
  std::string name_;
  std::optional<std::int32_t> room_;
  QString roomName_;
  PeopleIndex people_;
  // While Sent runs, and whether the control refused meanwhile.
  bool sending_ = false;
  bool refused_ = false;
};
