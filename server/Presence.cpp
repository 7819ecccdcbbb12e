// Presence pushed to buddies, and the privacy rules that decide who may see
// and reach whom. A viewer sees a subject when both have sent toc_init_done,
// the viewer lists the subject, and the subject's privacy mode and lists
// allow the viewer. Each subject remembers what each viewer was last told,
// so that a change tells each viewer only what changed: UPDATE_BUDDY2 when
// it reads differently, BUDDY_CAPS2 when the capabilities changed. A viewer
// that is behind is told nothing meanwhile and then only the latest state,
// however often it changed; and changes are rate-limited per person.
#include <algorithm>
#include <limits>

#include "ServerCore.h"
#include "ServerMessages.h"
#include "TocErrorCodes.h"
#include "WireText.h"

ClientSession* ServerCore::Reachable(const ClientSession& from, std::string_view name) {
  ClientSession* user = FindOnline(name);
  if (user == nullptr || !AccountOf(*user).Allows(from.key)) return nullptr;
  return user;
}

bool ServerCore::PresenceChangeAllowed(ConnectionId id, ClientSession& session) {
  if (RatesOf(session).presence.Take(Now())) return true;
  Send(id, session, to_client::Error(toc_error::kTooFast));
  return false;
}

void ServerCore::SyncPresence(ConnectionId viewerId, ClientSession& viewer, ClientSession& subject) {
  if (!viewer.initDone) return;
  const bool lists = AccountOf(viewer).Lists(subject.key);
  if (lists && subject.initDone && AccountOf(subject).Allows(viewer.key)) {
    ToldPresence& told = subject.seenBy[viewer.key];
    if (viewer.presenceDue.contains(subject.key)) return;
    if (flow_.Unsent(viewerId) > limits::kPresenceCoalesceAbove) {
      viewer.presenceDue.insert(subject.key);
      return;
    }
    TellLatest(viewerId, viewer, subject, told);
  } else if (const auto seen = subject.seenBy.find(viewer.key); seen != subject.seenBy.end()) {
    const bool told = !seen->second.update.empty();
    subject.seenBy.erase(seen);
    viewer.presenceDue.erase(subject.key);
    // Hidden by the privacy rules; a buddy no longer listed needs no word.
    if (told && lists) Send(viewerId, viewer, to_client::BuddyOffline(subject.displayName));
  }
}

void ServerCore::TellLatest(ConnectionId viewerId, ClientSession& viewer, const ClientSession& subject,
                            ToldPresence& told) {
  std::int64_t idleMinutes = 0;
  if (subject.idleSeconds > 0) idleMinutes = (subject.idleSeconds + (Now() - subject.idleSince)) / 60;
  idleMinutes = std::min<std::int64_t>(idleMinutes, std::numeric_limits<std::int32_t>::max());
  std::string update = to_client::UpdateBuddy2(subject.displayName, subject.warningLevel, subject.signOnTime,
                                               idleMinutes, UserClass(subject));
  if (update != told.update) {
    Send(viewerId, viewer, update);
    told.update = std::move(update);
  }
  if (told.capabilities != subject.capabilitiesChanges) {
    told.capabilities = subject.capabilitiesChanges;
    if (!subject.capabilities.empty()) {
      Send(viewerId, viewer, to_client::BuddyCaps2(subject.displayName, subject.capabilities));
    }
  }
}

void ServerCore::TellDuePresence(ConnectionId viewerId, ClientSession& viewer) {
  for (const auto& key : std::exchange(viewer.presenceDue, {})) {
    ClientSession* subject = FindOnline(key);
    if (subject == nullptr) continue;
    if (const auto seen = subject->seenBy.find(viewer.key); seen != subject->seenBy.end()) {
      TellLatest(viewerId, viewer, *subject, seen->second);
    }
  }
}

void ServerCore::TellPresence(ClientSession& subject) {
  for (auto& [viewerId, viewer] : sessions_) {
    if (viewer.phase == ClientSession::Phase::SignedOn) SyncPresence(viewerId, viewer, subject);
  }
}

void ServerCore::ListsChanged(ConnectionId id, ClientSession& session) {
  TellPresence(session);
  for (auto& [subjectId, subject] : sessions_) {
    if (subject.phase == ClientSession::Phase::SignedOn) SyncPresence(id, session, subject);
  }
}

void ServerCore::ForgetPresence(ConnectionId id, const ClientSession& session) {
  for (auto& [viewerId, viewer] : sessions_) {
    const auto seen = session.seenBy.find(viewer.key);
    if (viewerId != id && seen != session.seenBy.end() && !seen->second.update.empty()) {
      Send(viewerId, viewer, to_client::BuddyOffline(session.displayName));
    }
    viewer.seenBy.erase(session.key);
    viewer.presenceDue.erase(session.key);
  }
}

// toc_init_done: the user appears to those who list it, and is told of its buddies.
void ServerCore::InitDone(ConnectionId id, ClientSession& session, const ClientCommand&) {
  if (session.initDone) return;
  session.initDone = true;
  ListsChanged(id, session);
}
