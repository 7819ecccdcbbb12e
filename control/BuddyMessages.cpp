// Buddy presence and the server's confirmations of changes to the stored
// buddy, permit and deny lists. Nothing is stored: each message becomes one
// event, and a message lacking a field its event needs, or carrying a number
// out of range, raises nothing.
//
// INSERTED2 and DELETED2 name the kind of entry in field 1 ("b" buddy, "g"
// group, "p" permit, "d" deny) and each kind is split with its own limit, so
// that its last field keeps its colons.
#include "MessageFields.h"
#include "QuovTOCSock.h"

void QuovTOCSock::HandleUpdateBuddy2(std::string_view message) {
  const MessageFields fields(message, 8);
  const auto buddy = fields.Text(1);
  const auto warningLevel = fields.Int16(3);
  const auto onlineTime = fields.Int32(4);
  const auto idleTime = fields.Int32(5);
  const auto userClass = fields.Text(6);
  if (!buddy || !warningLevel || !onlineTime || !idleTime || !userClass) return;
  const bool online = fields.View(2) != "F";
  events_->BuddyUpdate(*buddy, online, *warningLevel, *onlineTime, *idleTime, *userClass);
}

void QuovTOCSock::HandleBuddyCaps2(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto user = fields.Text(1);
  const auto caps = fields.Text(2);
  if (user && caps) events_->BuddyCapabilities(*user, *caps);
}

void QuovTOCSock::HandleBart2(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto user = fields.Text(1);
  const auto bart = fields.Text(2);
  if (user && bart) events_->BuddyBart(*user, *bart);
}

void QuovTOCSock::HandleInserted2(std::string_view message) {
  const auto kind = MessageFields(message, 3).View(1);
  if (kind == "b") {
    const MessageFields fields(message, 5);
    auto alias = fields.Text(2);
    auto buddy = fields.Text(3);
    auto group = fields.Text(4);
    if (alias && buddy && group) events_->BuddyAdded(*group, *buddy, *alias);
    return;
  }
  auto entry = MessageFields(message, 3).Text(2);
  if (!entry) return;
  if (kind == "p") {
    events_->PrivateBuddyAdded(*entry);
  } else if (kind == "d") {
    events_->BuddyBlocked(*entry);
  } else if (kind == "g") {
    events_->GroupAdded(*entry);
  }
}

void QuovTOCSock::HandleDeleted2(std::string_view message) {
  const auto kind = MessageFields(message, 3).View(1);
  if (kind == "b") {
    const MessageFields fields(message, 4);
    auto buddy = fields.Text(2);
    auto group = fields.Text(3);
    if (buddy && group) events_->BuddyRemoved(*group, *buddy);
    return;
  }
  if (kind == "p") {
    // A permit entry's name ends at the next colon; what follows is not read.
    if (auto buddy = MessageFields(message, 4).Text(2)) events_->PrivateBuddyRemoved(*buddy);
    return;
  }
  auto entry = MessageFields(message, 3).Text(2);
  if (!entry) return;
  if (kind == "d") {
    events_->BuddyUnblocked(*entry);
  } else if (kind == "g") {
    events_->GroupRemoved(*entry);
  }
}
