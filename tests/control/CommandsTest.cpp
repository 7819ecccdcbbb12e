#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

#include "ControlFixture.h"

using ::testing::IsEmpty;

namespace {
struct CommandCase {
  std::function<void(QuovTOCSock&)> call;
  std::string line;
};

// One case per command method, with every field treatment exercised.
const std::vector<CommandCase>& Commands() {
  static const std::vector<CommandCase> cases{
      {[](QuovTOCSock& t) { t.SendIM("Pat Smith", R"(a"b\c$d(e)f[g]h{i}j: 'k')", false); },
       R"(toc_send_im "patsmith" "a\"b\\c\$d\(e\)f\[g\]h\{i\}j: 'k'")"},
      {[](QuovTOCSock& t) { t.SendIM("pat", "hi", true); }, R"(toc_send_im "pat" "hi" auto)"},
      {[](QuovTOCSock& t) { t.GetProfile("Pat Smith"); }, R"(toc_get_info "patsmith")"},
      {[](QuovTOCSock& t) { t.SetProfile("<b>(me) $1</b>"); }, R"(toc_set_info "<b>\(me\) \$1</b>")"},
      {[](QuovTOCSock& t) { t.SetAwayMessage(""); }, R"(toc_set_away "")"},
      {[](QuovTOCSock& t) { t.SetAwayMessage(R"(back "soon")"); }, R"(toc_set_away "back \"soon\"")"},
      {[](QuovTOCSock& t) { t.GetStatus("PAT  Smith"); }, R"(toc_get_status "patsmith")"},
      {[](QuovTOCSock& t) { t.SetIdleTime(0); }, R"(toc_set_idle "0")"},
      {[](QuovTOCSock& t) { t.SetIdleTime(2); }, R"(toc_set_idle "120")"},
      {[](QuovTOCSock& t) { t.SetIdleTime(-1); }, R"(toc_set_idle "-60")"},
      {[](QuovTOCSock& t) { t.SetIdleTime(35791394); }, R"(toc_set_idle "2147483640")"},
      {[](QuovTOCSock& t) { t.SetIdleTime(-35791394); }, R"(toc_set_idle "-2147483640")"},
      {[](QuovTOCSock& t) { t.ChangePassword("o$ld", R"(n"e\w)"); }, R"(toc_change_passwd "o\$ld" "n\"e\\w")"},
      {[](QuovTOCSock& t) { t.FormatUserName(R"(Pat "S" \x)"); }, R"(toc_format_nickname "Pat "S" \x")"},
      {[](QuovTOCSock& t) { t.WarnUser("Pat Smith", true); }, R"(toc_evil "patsmith" "anon")"},
      {[](QuovTOCSock& t) { t.WarnUser("Pat Smith", false); }, R"(toc_evil "patsmith" "norm")"},
      {[](QuovTOCSock& t) { t.SetCapability(R"(09461343-"$)"); }, R"(toc_set_caps "09461343-"$")"},
      {[](QuovTOCSock& t) { t.AddBuddy("Friends", "Pat"); }, "toc2_new_buddies \"g:Friends\nb:Pat\n\""},
      {[](QuovTOCSock& t) { t.AddBuddy("$ales", "Pat Smith (W)"); },
       "toc2_new_buddies \"g:\\$ales\nb:Pat Smith \\(W\\)\n\""},
      {[](QuovTOCSock& t) { t.AddBuddy("", ""); }, "toc2_new_buddies \"g:\nb:\n\""},
      {[](QuovTOCSock& t) { t.RemoveBuddy(R"(Fr"iends\)", R"(Pat "S"\)"); },
       R"(toc2_remove_buddy "Pat "S"\" "Fr\"iends\\")"},
      {[](QuovTOCSock& t) { t.AddGroup("Work [x]"); }, R"(toc2_new_group "Work \[x\]")"},
      {[](QuovTOCSock& t) { t.RemoveGroup("Work {x}"); }, R"(toc2_del_group "Work \{x\}")"},
      {[](QuovTOCSock& t) { t.BlockUser(R"(Pat Smith$")"); }, R"(toc2_add_deny "patsmith$"")"},
      {[](QuovTOCSock& t) { t.UnblockUser("Pat Smith"); }, R"(toc2_remove_deny "patsmith")"},
      {[](QuovTOCSock& t) { t.AddPrivateUser("Pat (S)"); }, "toc2_add_permit \"pat(s)\""},
      {[](QuovTOCSock& t) { t.RemovePrivateUser("Pat Smith"); }, R"(toc2_remove_permit "patsmith")"},
      {[](QuovTOCSock& t) { t.SetPrivacy(3); }, "toc2_set_pdmode 3"},
      {[](QuovTOCSock& t) { t.SetPrivacy(-2); }, "toc2_set_pdmode -2"},
  };
  return cases;
}

class ControlCommands : public ControlTest {
 protected:
  ControlCommands() { SignOn(); }
  // After the sign-on frame, the login command and toc_init_done.
  std::uint16_t sequence = 3;
};
}  // namespace

TEST_F(ControlCommands, EachMethodSendsItsExactLine) {
  for (const CommandCase& c : Commands()) {
    SCOPED_TRACE(c.line);
    c.call(*toc);
    EXPECT_EQ(sock->TakeSent(), ClientCommand(c.line, sequence++));
  }
  EXPECT_THAT(events.lines, IsEmpty());
}

TEST_F(ControlCommands, IdleTimeBeyondThe32BitRangeThrowsAndSendsNothing) {
  for (const std::int32_t minutes :
       {35791395, -35791395, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(minutes);
    EXPECT_THROW(toc->SetIdleTime(minutes), std::overflow_error);
    EXPECT_THAT(sock->sent, IsEmpty());
  }
  toc->SetIdleTime(1);
  EXPECT_EQ(sock->TakeSent(), ClientCommand(R"(toc_set_idle "60")", sequence)) << "a refused call uses no sequence";
}

TEST_F(ControlCommands, CommandsWhileNotConnectedSendNothing) {
  toc->LogOff();
  sock->TakeSent();
  for (const CommandCase& c : Commands()) {
    SCOPED_TRACE(c.line);
    EXPECT_NO_THROW(c.call(*toc));
  }
  EXPECT_THAT(sock->sent, IsEmpty());

  auto socket = std::make_unique<FakeSocket>();
  FakeSocket* fresh = socket.get();
  QuovTOCSock neverConnected(std::move(socket));
  for (const CommandCase& c : Commands()) EXPECT_NO_THROW(c.call(neverConnected));
  EXPECT_THAT(fresh->sent, IsEmpty());
}
