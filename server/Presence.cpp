// Presence pushed to buddies, and the privacy rules that decide who may see
// and reach whom. A viewer sees a subject when both have sent toc_init_done,
// the viewer lists the subject, and the subject's privacy mode and lists
// allow the viewer. Each subject remembers who was last told it is online,
// so that a change of lists or privacy tells each viewer only what changed.
#include <algorithm>
#include <limits>

#include "ServerCore.h"
#include "ServerMessages.h"
#include "WireText.h"

ClientSession* ServerCore::Reachable(const ClientSession& from, std::string_view name) {
  ClientSession* user = FindOnline(name);
  if (user == nullptr || !AccountOf(*user).Allows(from.key)) return nullptr;
  return user;
}

void ServerCore::SyncPresence(ConnectionId viewerId, ClientSession& viewer, ClientSession& subject, bool changed) {
  if (!viewer.initDone) return;
  const bool lists = AccountOf(viewer).Lists(subject.key);
  if (lists && subject.initDone && AccountOf(subject).Allows(viewer.key)) {
    if (!subject.seenBy.insert(viewer.key).second && !changed) return;
    std::int64_t idleMinutes = 0;
    if (subject.idleSeconds > 0) idleMinutes = (subject.idleSeconds + (Now() - subject.idleSince)) / 60;
    idleMinutes = std::min<std::int64_t>(idleMinutes, std::numeric_limits<std::int32_t>::max());
    Send(viewerId, viewer,
         to_client::UpdateBuddy2(subject.displayName, subject.warningLevel, subject.signOnTime, idleMinutes,
                                 UserClass(subject)));
    if (!subject.capabilities.empty()) {
      Send(viewerId, viewer, to_client::BuddyCaps2(subject.displayName, subject.capabilities));
    }
  } else if (subject.seenBy.erase(viewer.key) > 0 && lists) {
    // Hidden by the privacy rules; a buddy no longer listed needs no word.
    Send(viewerId, viewer, to_client::BuddyOffline(subject.displayName));
  }
}

void ServerCore::TellPresence(ClientSession& subject, bool changed) {
  for (auto& [viewerId, viewer] : sessions_) {
    if (viewer.phase == ClientSession::Phase::SignedOn) SyncPresence(viewerId, viewer, subject, changed);
  }
}

void ServerCore::ListsChanged(ConnectionId id, ClientSession& session) {
  TellPresence(session, false);
  for (auto& [subjectId, subject] : sessions_) {
    if (subject.phase == ClientSession::Phase::SignedOn) SyncPresence(id, session, subject, false);
  }
}

void ServerCore::ForgetPresence(ConnectionId id, const ClientSession& session) {
  for (auto& [viewerId, viewer] : sessions_) {
    if (viewerId != id && session.seenBy.contains(viewer.key)) {
      Send(viewerId, viewer, to_client::BuddyOffline(session.displayName));
    }
    viewer.seenBy.erase(session.key);
  }
}

// toc_init_done: the user appears to those who list it, and is told of its buddies.
void ServerCore::InitDone(ConnectionId id, ClientSession& session, const ClientCommand&) {
  if (session.initDone) return;
  session.initDone = true;
  ListsChanged(id, session);
}
