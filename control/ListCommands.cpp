// Commands that change the buddy, deny (block) and permit (private) lists
// stored on the server, and the privacy mode. The server confirms list
// changes with INSERTED2 and DELETED2.
//
// Screen names are treated three ways: the deny and permit commands
// normalize them, AddBuddy escapes the name as written, and RemoveBuddy
// sends it as it is.
#include "QuovTOCSock.h"
#include "WireText.h"

// The group and buddy travel as two configuration lines in one field.
void QuovTOCSock::AddBuddy(const std::string& strGroup, const std::string& strBuddy) {
  SendCommand(CommandLine("toc2_new_buddies").Raw("g:" + EscapeText(strGroup) + "\nb:" + EscapeText(strBuddy) + "\n"));
}

void QuovTOCSock::RemoveBuddy(const std::string& strGroup, const std::string& strBuddy) {
  SendCommand(CommandLine("toc2_remove_buddy").Raw(strBuddy).Text(strGroup));
}

void QuovTOCSock::AddGroup(const std::string& strGroup) { SendCommand(CommandLine("toc2_new_group").Text(strGroup)); }

void QuovTOCSock::RemoveGroup(const std::string& strGroup) {
  SendCommand(CommandLine("toc2_del_group").Text(strGroup));
}

void QuovTOCSock::BlockUser(const std::string& strUserName) {
  SendCommand(CommandLine("toc2_add_deny").User(strUserName));
}

void QuovTOCSock::UnblockUser(const std::string& strUserName) {
  SendCommand(CommandLine("toc2_remove_deny").User(strUserName));
}

void QuovTOCSock::AddPrivateUser(const std::string& strUserName) {
  SendCommand(CommandLine("toc2_add_permit").User(strUserName));
}

void QuovTOCSock::RemovePrivateUser(const std::string& strUserName) {
  SendCommand(CommandLine("toc2_remove_permit").User(strUserName));
}

void QuovTOCSock::SetPrivacy(std::int16_t intMode) {
  SendCommand(CommandLine("toc2_set_pdmode").Unquoted(std::to_string(intMode)));
}
