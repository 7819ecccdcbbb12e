// The stored lists: buddies in groups, the permit and deny lists and the
// privacy mode. Each change that is made is confirmed with INSERTED2 or
// DELETED2 and kept in the account for its next sign-on; a change that
// would not change anything gets no answer, one over a limit or naming no
// one (a name of nothing but spaces) gets an ERROR.
// Each buddy of toc2_new_buddies is answered with NEW_BUDDY_REPLY2 as well.
// After a change, presence is brought up to date both ways (Presence.cpp):
// a buddy added who is online is told at once, and the privacy rules may
// hide the user from some or show it to others.
#include "MessageFields.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "ServerMessages.h"
#include "TocErrorCodes.h"
#include "WireText.h"

namespace {

// The group of buddy lines that come before any group line.
constexpr std::string_view kDefaultGroup = "Buddies";

}  // namespace

ListChange ServerCore::ChangeAccount(ClientSession& session, const std::function<ListChange(Account&)>& change) {
  if (session.unsavedAccount) return change(*session.unsavedAccount);
  return accounts_.Change(session.key, change);
}

bool ServerCore::Confirm(ConnectionId id, ClientSession& session, ListChange change) {
  if (change == ListChange::Full) Send(id, session, to_client::Error(toc_error::kBadInput));
  return change == ListChange::Done;
}

// toc2_new_buddies "g:group\nb:name[:alias]\n..." (or in braces):
// configuration lines, each buddy line adding to the group of the group line
// before it.
void ServerCore::NewBuddies(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto addGroup = [&](const std::string& group) {
    return ChangeAccount(session, [&](Account& account) { return account.AddGroup(group); });
  };
  std::string_view lines = command.args[0];
  std::string group(kDefaultGroup);
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    const std::string_view line = lines.substr(0, end);
    lines = end == std::string_view::npos ? std::string_view{} : lines.substr(end + 1);
    if (line.starts_with("g:")) {
      group = std::string(line.substr(2));
      if (!IsListName(group, limits::kMaxEntry)) {
        Send(id, session, to_client::Error(toc_error::kBadInput));
        break;
      }
      const ListChange change = addGroup(group);
      if (change == ListChange::Full) {
        Send(id, session, to_client::Error(toc_error::kBadInput));
        break;
      }
      if (change == ListChange::Done) Send(id, session, to_client::Inserted("g", group));
    } else if (line.starts_with("b:")) {
      const std::string_view entry = line.substr(2);
      const std::size_t colon = entry.find(':');
      const std::string_view name = entry.substr(0, colon);
      const std::string_view alias = colon == std::string_view::npos ? std::string_view{} : entry.substr(colon + 1);
      if (!IsListName(name, limits::kMaxEntry) || (!alias.empty() && !IsPlainEntry(alias, limits::kMaxEntry))) {
        Send(id, session, to_client::Error(toc_error::kBadInput));
        break;
      }
      if (addGroup(group) == ListChange::Done) Send(id, session, to_client::Inserted("g", group));
      const ListChange change =
          ChangeAccount(session, [&](Account& account) { return account.AddBuddy(group, name, alias); });
      if (change == ListChange::Full) {
        Send(id, session, to_client::Error(toc_error::kBadInput));
        break;
      }
      if (change == ListChange::Done) {
        Send(id, session, to_client::Inserted("b", std::string(alias) + ":" + std::string(name) + ":" + group));
      }
      Send(id, session, to_client::NewBuddyReply(name));
    }
  }
  ListsChanged(id, session);
}

// toc2_remove_buddy "name" ... "group"
void ServerCore::RemoveBuddy(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& group = command.args.back();
  for (std::size_t i = 0; i + 1 < command.args.size(); ++i) {
    if (!IsListName(command.args[i], limits::kMaxEntry) || !IsListName(group, limits::kMaxEntry)) {
      Send(id, session, to_client::Error(toc_error::kBadInput));
      break;
    }
    Buddy removed;
    std::string fromGroup;
    if (ChangeAccount(session, [&](Account& account) {
          return account.RemoveBuddy(group, command.args[i], removed, fromGroup);
        }) == ListChange::Done) {
      Send(id, session, to_client::Deleted("b", removed.name + ":" + fromGroup));
    }
  }
  ListsChanged(id, session);
}

// toc2_new_group "group"
void ServerCore::NewGroup(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& group = command.args[0];
  if (!IsListName(group, limits::kMaxEntry)) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  if (Confirm(id, session, ChangeAccount(session, [&](Account& account) { return account.AddGroup(group); }))) {
    Send(id, session, to_client::Inserted("g", group));
  }
}

// toc2_del_group "group": the group goes with its buddies, and is confirmed by its name as stored.
void ServerCore::DeleteGroup(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& group = command.args[0];
  if (!IsListName(group, limits::kMaxEntry)) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  std::string removed;
  if (Confirm(id, session,
              ChangeAccount(session, [&](Account& account) { return account.RemoveGroup(group, removed); }))) {
    Send(id, session, to_client::Deleted("g", removed));
    ListsChanged(id, session);
  }
}

// The permit ("p") and deny ("d") lists: one or more screen names, kept normalized.
void ServerCore::ChangeNames(ConnectionId id, ClientSession& session, const ClientCommand& command, char kind,
                             bool add) {
  for (const auto& arg : command.args) {
    const std::string name = NormalizeName(arg);
    if (!IsListName(name, limits::kMaxScreenName)) {
      Send(id, session, to_client::Error(toc_error::kBadInput));
      break;
    }
    const ListChange change = ChangeAccount(session, [&](Account& account) {
      return add ? account.AddToList(kind == 'p', name) : account.RemoveFromList(kind == 'p', name);
    });
    if (Confirm(id, session, change))
      Send(id, session,
           add ? to_client::Inserted(std::string(1, kind), name) : to_client::Deleted(std::string(1, kind), name));
  }
  ListsChanged(id, session);
}

void ServerCore::AddDeny(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  ChangeNames(id, session, command, 'd', true);
}

void ServerCore::RemoveDeny(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  ChangeNames(id, session, command, 'd', false);
}

void ServerCore::AddPermit(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  ChangeNames(id, session, command, 'p', true);
}

void ServerCore::RemovePermit(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  ChangeNames(id, session, command, 'p', false);
}

// toc2_set_pdmode N: 1 permit all, 2 deny all, 3 permit listed, 4 deny listed, 5 permit buddies.
void ServerCore::SetPdMode(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto mode = ParseNumber<std::int32_t>(command.args[0]);
  if (!mode || *mode < 1 || *mode > 5) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  ChangeAccount(session, [&](Account& account) { return account.SetPrivacyMode(static_cast<PrivacyMode>(*mode)); });
  ListsChanged(id, session);
}
