// A holder that writes every event of the control as one readable line, so
// tests compare what was raised, in order, with a list of texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "QuovTOCSockEvents.h"

class RecordingEvents : public QuovTOCSockEvents {
 public:
  std::vector<std::string> lines;
  // Runs after an event is recorded, with its line; lets a test act inside a handler.
  std::function<void(const std::string&)> onEvent;
  bool recordIncomingPackets = false;

  // An empty entry is written "", so that [] is an empty list and [""] a list of one empty text.
  static std::string Join(const Collection<std::string>& list) {
    std::string text = "[";
    for (const auto& entry : list) {
      text += (text.size() > 1 ? "|" : "") + (entry.value.empty() ? std::string("\"\"") : entry.value);
    }
    return text + "]";
  }

  void JoinedChat(std::string& name, std::int32_t& id) override { Record("JoinedChat(" + name + "," + N(id) + ")"); }
  void ChatMessage(std::int32_t& id, std::string& user, std::string& text) override {
    Record("ChatMessage(" + N(id) + "," + user + "," + text + ")");
  }
  void ChatInvite(std::string& name, std::int32_t& id, std::string& from, std::string& text) override {
    Record("ChatInvite(" + name + "," + N(id) + "," + from + "," + text + ")");
  }
  void LeftChat(std::int32_t& id) override { Record("LeftChat(" + N(id) + ")"); }
  void ChatUserUpdate(const std::string& user, bool inside, std::int32_t id) override {
    Record("ChatUserUpdate(" + user + "," + B(inside) + "," + N(id) + ")");
  }
  void InitialJoin(const std::string& users, std::int32_t id) override {
    Record("InitialJoin(" + users + "," + N(id) + ")");
  }
  void BuddyUpdate(const std::string& buddy, bool online, std::int16_t warning, std::int32_t onlineTime,
                   std::int32_t idle, const std::string& userClass) override {
    Record("BuddyUpdate(" + buddy + "," + B(online) + "," + N(warning) + "," + N(onlineTime) + "," + N(idle) + "," +
           userClass + ")");
  }
  void BuddyCapabilities(const std::string& user, const std::string& caps) override {
    Record("BuddyCapabilities(" + user + "," + caps + ")");
  }
  void BuddyBart(const std::string& user, const std::string& bart) override {
    Record("BuddyBart(" + user + "," + bart + ")");
  }
  void BuddyAdded(std::string& group, std::string& buddy, std::string& alias) override {
    Record("BuddyAdded(" + group + "," + buddy + "," + alias + ")");
  }
  void GroupAdded(std::string& group) override { Record("GroupAdded(" + group + ")"); }
  void PrivateBuddyAdded(std::string& buddy) override { Record("PrivateBuddyAdded(" + buddy + ")"); }
  void BuddyBlocked(std::string& buddy) override { Record("BuddyBlocked(" + buddy + ")"); }
  void BuddyRemoved(std::string& group, std::string& buddy) override {
    Record("BuddyRemoved(" + group + "," + buddy + ")");
  }
  void GroupRemoved(std::string& group) override { Record("GroupRemoved(" + group + ")"); }
  void PrivateBuddyRemoved(std::string& buddy) override { Record("PrivateBuddyRemoved(" + buddy + ")"); }
  void BuddyUnblocked(std::string& buddy) override { Record("BuddyUnblocked(" + buddy + ")"); }
  void LoggedIn(std::string user, Collection<std::string>& buddies, Collection<std::string>& blocked,
                Collection<std::string>& permitted, Collection<std::string>& misc, const std::string& prefs,
                std::int16_t mode) override {
    Record("LoggedIn(" + user + "," + Join(buddies) + "," + Join(blocked) + "," + Join(permitted) + "," + Join(misc) +
           "," + prefs + "," + N(mode) + ")");
  }
  void LoggedOut(std::string user) override { Record("LoggedOut(" + user + ")"); }
  void ScreennameFormat(const std::string& name) override { Record("ScreennameFormat(" + name + ")"); }
  void InstantMessage(std::string& user, std::string& text, bool& autoResponse, std::string& userClass) override {
    Record("InstantMessage(" + user + "," + text + "," + B(autoResponse) + "," + userClass + ")");
  }
  void UserProfile(std::string& url) override { Record("UserProfile(" + url + ")"); }
  void Error(std::int16_t& code, std::string& text) override { Record("Error(" + N(code) + "," + text + ")"); }
  // The text is Error's, raised just before.
  void SignOnRefused(std::int16_t code, std::int32_t subCode, const std::string&) override {
    Record("SignOnRefused(" + N(code) + "," + N(subCode) + ")");
  }
  void Warned(std::string& level, std::string& from) override { Record("Warned(" + level + "," + from + ")"); }
  void TypingStatus(std::string& user, std::int16_t& status) override {
    Record("TypingStatus(" + user + "," + N(status) + ")");
  }
  void WinsockError(std::string& text) override { Record("WinsockError(" + text + ")"); }
  void RendevousRequest(std::string& user, std::string& uuid, std::string& cookie, std::string& rendezvousIp,
                        std::string& proposerIp, std::string& verifiedIp, std::int32_t& port) override {
    Record("RendevousRequest(" + user + "," + uuid + "," + cookie + "," + rendezvousIp + "," + proposerIp + "," +
           verifiedIp + "," + N(port) + ")");
  }
  void IncomingPacket(const std::string& packet) override {
    if (recordIncomingPackets) Record("IncomingPacket(" + std::to_string(packet.size()) + " bytes)");
  }
  void PasswordChanged() override { Record("PasswordChanged()"); }
  void ScreenNameFormatted() override { Record("ScreenNameFormatted()"); }

 private:
  static std::string N(long long value) { return std::to_string(value); }
  static std::string B(bool value) { return value ? "true" : "false"; }
  void Record(const std::string& line) {
    lines.push_back(line);
    if (onEvent) onEvent(line);
  }
};
