#include "RoomFeed.h"

#include <algorithm>
#include <utility>

#include "Functions.h"
#include "PeopleList.h"
#include "TextEdge.h"

namespace {

std::size_t TextBytes(const QString& text) { return static_cast<std::size_t>(text.size()) * sizeof(QChar); }

}  // namespace

RoomFeed::RoomFeed(SessionHandler session, std::size_t maxWaitingBytes, std::size_t maxWaitingLines,
                   std::size_t maxWaitingAlerts)
    : session_(std::move(session)),
      queue_({[this](const AlertValue& alert) { return ShowAlert(alert); },
              [this](std::size_t lines) { Each(Delivery::Shown, [&](FeedSink& sink) { sink.LinesNotShown(lines); }); },
              [this](std::size_t dropped) {
                AlertValue notice;
                notice.notice =
                    QStringLiteral("%1 more alerts were dropped: too many were waiting to be shown.").arg(dropped);
                return ShowAlert(notice);
              }},
             maxWaitingBytes, maxWaitingLines, maxWaitingAlerts) {}

void RoomFeed::AddSink(FeedSink& sink, Delivery delivery) {
  std::erase_if(sinks_, [](const Registered& registered) { return registered.sink == nullptr; });
  sinks_.push_back({&sink, delivery});
}

void RoomFeed::RemoveSink(const FeedSink& sink) {
  // Only marked: the list may be walked at this moment.
  for (Registered& registered : sinks_) {
    if (registered.sink == &sink) registered.sink = nullptr;
  }
}

template <typename Call>
void RoomFeed::Each(Delivery delivery, const Call& call) const {
  // By index: a sink may be added while the list is walked, which would
  // invalidate an iterator.
  for (std::size_t i = 0; i < sinks_.size(); ++i) {  // NOLINT(modernize-loop-convert)
    if (sinks_[i].sink != nullptr && sinks_[i].delivery == delivery) call(*sinks_[i].sink);
  }
}

bool RoomFeed::ShowAlert(const AlertValue& alert) const {
  bool dismissed = false;
  Each(Delivery::Shown, [&](FeedSink& sink) { dismissed = sink.Alert(alert) || dismissed; });
  return dismissed;
}

void RoomFeed::Emit(const PeopleChange& change) const {
  Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.People(change); });
  Each(Delivery::Shown, [&](FeedSink& sink) { sink.People(change); });
}

void RoomFeed::EmitLine(RoomLine line) {
  Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.Line(line); });
  const std::size_t bytes = TextBytes(line.name) + TextBytes(line.text);
  queue_.Run(EventQueue::Line{
      [this, line = std::move(line)] { Each(Delivery::Shown, [&](FeedSink& sink) { sink.Line(line); }); }, bytes});
}

void RoomFeed::ShowStatus(const QString& line) {
  Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.Status(line); });
  queue_.Run(EventQueue::State{EventQueue::Shown::StatusLine,
                               [this, line] { Each(Delivery::Shown, [&](FeedSink& sink) { sink.Status(line); }); },
                               TextBytes(line)});
}

void RoomFeed::ShowNote(const QString& text) { EmitLine({RoomLine::Kind::Note, {}, text}); }

void RoomFeed::StartTranscript(const std::optional<QString>& room) {
  std::optional<RoomHeader> header;
  if (room) header = RoomHeader{*room, name_};
  Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.TranscriptStart(header); });
  queue_.Run(EventQueue::State{EventQueue::Shown::TranscriptStart, [this, header] {
                                 Each(Delivery::Shown, [&](FeedSink& sink) { sink.TranscriptStart(header); });
                               }});
}

bool RoomFeed::Sent(const std::function<void()>& send) {
  refused_ = false;
  sending_ = true;
  send();
  sending_ = false;
  return !refused_;
}

void RoomFeed::Discard() {
  queue_.Discard();
  sinks_.clear();
}

void RoomFeed::ForgetRoom(std::optional<std::int32_t> next) {
  room_ = next;
  if (!next) roomName_.clear();
  if (people_.Size() == 0) return;
  people_.Clear();
  Emit({PeopleChange::Kind::Cleared, {}});
}

void RoomFeed::LoggedIn(std::string strUserName, Collection<std::string>&, Collection<std::string>&,
                        Collection<std::string>&, Collection<std::string>&, const std::string&, std::int16_t) {
  name_ = Normalize(strUserName);
  ForgetRoom();
  session_(Session::LoggedIn{std::move(strUserName)});
}

void RoomFeed::LoggedOut(std::string) {
  name_.clear();
  ForgetRoom();
  session_(Session::LoggedOut{});
}

void RoomFeed::WinsockError(std::string& strError) {
  name_.clear();
  ForgetRoom();
  session_(Session::Lost{strError});
}

void RoomFeed::Error(std::int16_t& intErrorCode, std::string& strError) {
  // Raised while a command is handed over, it is the control's refusal of that command.
  if (sending_) {
    refused_ = true;
    return;
  }
  session_(Session::ServerError{intErrorCode, strError});
}

void RoomFeed::SignOnRefused(std::int16_t intErrorCode, std::int32_t lngSubCode, const std::string& strError) {
  session_(Session::Refused{intErrorCode, lngSubCode, strError});
}

void RoomFeed::JoinedChat(std::string& strChatName, std::int32_t& lngChatID) {
  // The control keeps the people of a room joined again, and starts a new room empty.
  if (room_ != lngChatID) ForgetRoom(lngChatID);
  roomName_ = FromWire(strChatName);
  session_(Session::JoinedChat{strChatName, lngChatID});
}

void RoomFeed::LeftChat(std::int32_t& lngChatID) {
  if (room_ == lngChatID) ForgetRoom();
  session_(Session::LeftChat{lngChatID});
}

// The message is matched as it arrives: while an alert box is open the word
// list cannot change, so the result is the one it would have had later.
// Its tags go from the wire bytes and the rest is decoded once.
void RoomFeed::ChatMessage(std::int32_t&, std::string& strUserName, std::string& strMessage) {
  RoomLine line{RoomLine::Kind::Message, FromWire(strUserName), FromWire(StripHtml(strMessage)),
                !name_.empty() && Normalize(strUserName) == name_};
  EventQueue::Alert waiting;
  const QList<WordRule> found = matcher_.Matches(line.name, line.text, FromWire(name_));
  waiting.times = static_cast<std::size_t>(found.size());
  if (!found.empty()) {
    AlertValue alert{line.name, line.text, {}, roomName_, QDateTime::currentDateTime(), {}};
    for (const WordRule& rule : found) {
      alert.word = rule.word;
      waiting.words.append(rule.word);
      Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.Alert(alert); });
    }
    waiting.value = std::move(alert);
  }
  Each(Delivery::AtOnce, [&](FeedSink& sink) { sink.Line(line); });
  waiting.lineBytes = TextBytes(line.name) + TextBytes(line.text);
  waiting.line = [this, line = std::move(line)] { Each(Delivery::Shown, [&](FeedSink& sink) { sink.Line(line); }); };
  queue_.Run(std::move(waiting));
}

void RoomFeed::ChatUserUpdate(const std::string& strUserName, bool blnInside, std::int32_t lngChatID) {
  const QString name = FromWire(strUserName);
  if (room_ == lngChatID) {
    const std::string key = Normalize(strUserName);
    const bool listed = people_.FirstRow(key).has_value();
    if (blnInside && !listed && people_.Size() < kMaxRoomSize) {
      people_.Append(key, name);
      Emit({PeopleChange::Kind::Arrived, name});
    } else if (!blnInside && listed) {
      people_.RemoveFirst(key);
      Emit({PeopleChange::Kind::Left, name});
    }
  }
  EmitLine({blnInside ? RoomLine::Kind::Arrived : RoomLine::Kind::Left, name, {}});
}
