// The session unit as a table: from the state a path of events leaves, one
// event gives a new state and actions. States and actions are compared as
// short texts so that a failing row reads as the table does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Session.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;
using S = Session;

std::string Ms(S::Time time) { return std::to_string(time.count()); }

std::string Print(const S::State& state) {
  if (const auto* s = std::get_if<S::SigningOn>(&state)) {
    return "SigningOn(" + Ms(s->deadline) + (s->join ? ", join " + s->join->name : "") + ")";
  }
  if (const auto* s = std::get_if<S::SignedOn>(&state)) return "SignedOn(" + Ms(s->since) + ")";
  if (const auto* s = std::get_if<S::Rejoining>(&state)) {
    return "Rejoining(" + s->room.name + (s->asked ? ", asked" : "") + ")";
  }
  if (const auto* s = std::get_if<S::WaitingToRetry>(&state)) return "WaitingToRetry(" + Ms(s->until) + ")";
  if (const auto* s = std::get_if<S::AwaitingPassword>(&state)) return "AwaitingPassword(" + s->name + ")";
  return "Idle";
}

std::string Print(const S::Action& action) {
  if (const auto* a = std::get_if<S::Login>(&action)) return "Login(" + a->name + " " + a->password + ")";
  if (const auto* a = std::get_if<S::Join>(&action)) {
    return "Join(" + a->room.name + " " + std::to_string(a->room.exchange) + ")";
  }
  if (std::holds_alternative<S::LogOff>(action)) return "LogOff";
  if (std::holds_alternative<S::Defer>(action)) return "Defer";
  if (std::holds_alternative<S::Probe>(action)) return "Probe";
  if (const auto* a = std::get_if<S::Report>(&action)) return "Report " + a->line;
  if (const auto* a = std::get_if<S::ReadPassword>(&action)) return "Read(" + a->name + ")";
  if (const auto* a = std::get_if<S::StorePassword>(&action)) return "Store(" + a->name + " " + a->password + ")";
  const auto& show = std::get<S::Show>(action);
  static const char* const kWhat[] = {"AskingKeyring", "NoPassword",    "SigningOn",   "SignedOn",     "Joined",
                                      "Rejoined",      "Left",          "LoggedOff",   "Disconnected", "SigningOnAgain",
                                      "Refused",       "SignOnTooLong", "JoinTooLong", "Error",        "LineRefused"};
  return std::string("Show ") + kWhat[show.what] + (show.text.empty() ? "" : " " + show.text) +
         (show.detail.empty() ? "" : " (" + show.detail + ")") + (show.retryIn ? " retry " + Ms(*show.retryIn) : "");
}

struct Step {
  S::Event event;
  S::Time at{0};
};

const S::Room kLobby{"thelobby", 4};

std::vector<Step> SignedOnPath() { return {{S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}}; }
std::vector<Step> InLobbyPath() {
  auto path = SignedOnPath();
  path.push_back({S::JoinPressed{kLobby}});
  path.push_back({S::JoinedChat{"thelobby", 42}});
  return path;
}
std::vector<Step> KeyringPath() { return {{S::Started{"me"}}, {S::PasswordFound{"pw"}}, {S::LoggedIn{"me"}}}; }
// Lost the lobby's session and signed on again by Klaxo itself.
std::vector<Step> RetriedPath() {
  auto path = InLobbyPath();
  path.push_back({S::Lost{"down"}, seconds(1)});
  path.push_back({S::TimerFired{}, seconds(3)});
  return path;
}
template <typename... More>
std::vector<Step> Then(std::vector<Step> path, More... more) {
  (path.push_back(more), ...);
  return path;
}

}  // namespace

TEST(Session, Transitions) {
  const struct {
    const char* name;
    S::Options options;
    std::vector<Step> path;
    Step event;
    std::string state;
    std::vector<std::string> actions;
  } rows[] = {
      // clang-format off
      {"Sign On signs on with a time limit", {false}, {},
       {S::SignOnPressed{"me", "pw"}, seconds(5)}, "SigningOn(65000)", {"Login(me pw)"}},
      {"a sign-on asked for at start asks the keyring", {false}, {},
       {S::Started{"me", kLobby}}, "AwaitingPassword(me)", {"Show AskingKeyring me", "Read(me)"}},
      {"and signs on with its password, to join its room once signed on", {false}, {{S::Started{"me", kLobby}}},
       {S::PasswordFound{"pw"}}, "SigningOn(60000, join thelobby)", {"Show SigningOn me", "Login(me pw)"}},
      {"or says why not", {false}, {{S::Started{"me", kLobby}}},
       {S::NoPassword{"no keyring"}}, "Idle", {"Show NoPassword me (no keyring)"}},
      {"a Sign On pressed meanwhile stands", {false}, {{S::Started{"me", kLobby}}, {S::SignOnPressed{"you", "typed"}}},
       {S::PasswordFound{"pw"}}, "SigningOn(60000, join thelobby)", {}},
      {"a room asked for at start is joined after the user's sign-on too", {false}, {{S::Started{"", kLobby}}},
       {S::SignOnPressed{"me", "pw"}}, "SigningOn(60000, join thelobby)", {"Login(me pw)"}},
      {"the server accepts", {false}, {{S::SignOnPressed{"me", "pw"}}},
       {S::LoggedIn{"me"}, seconds(1)}, "SignedOn(1000)", {"Show SignedOn me"}},
      {"the start room is joined after the control's own steps", {false}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}},
       {S::LoggedIn{"me"}}, "Rejoining(thelobby)", {"Defer", "Show SignedOn me"}},
      {"then joined", {false}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}},
       {S::SignOnStepsDone{}}, "Rejoining(thelobby, asked)", {"Join(thelobby 4)"}},
      {"a repeated configuration joins nothing, even with retries", {true}, InLobbyPath(),
       {S::LoggedIn{"me"}, seconds(9)}, "SignedOn(0)", {"Show SignedOn me"}},
      {"a join the user asked for shows the room box", {false}, Then(SignedOnPath(), Step{S::JoinPressed{kLobby}}),
       {S::JoinedChat{"The Lobby", 42}}, "SignedOn(0)", {"Show Joined"}},
      {"Sign Off forgets everything", {true}, InLobbyPath(),
       {S::SignOffPressed{}}, "Idle", {"LogOff", "Report Signed off"}},
      {"a lost connection without retries", {false}, InLobbyPath(),
       {S::Lost{"down"}}, "Idle", {"Show Disconnected down", "Report Disconnected: down"}},
      {"a lost connection with retries", {true}, InLobbyPath(),
       {S::Lost{"down"}, seconds(1)}, "WaitingToRetry(3000)", {"Show Disconnected down retry 2000", "Report Disconnected: down; signing on again in 2 s"}},
      {"a connection the installation cannot make is not tried again", {true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::Lost{"no module", true}}, "Idle", {"Show Disconnected no module"}},
      {"the try is due", {true}, Then(InLobbyPath(), Step{S::Lost{"down"}, seconds(1)}),
       {S::TimerFired{}, seconds(3)}, "SigningOn(63000, join thelobby)", {"Show SigningOnAgain me", "Login(me pw)"}},
      {"a retry rejoins the room", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}),
       {S::SignOnStepsDone{}}, "Rejoining(thelobby, asked)", {"Join(thelobby 4)"}},
      {"the rejoin is confirmed by its name", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}, Step{S::SignOnStepsDone{}}),
       {S::JoinedChat{"thelobby", 7}}, "SignedOn(4000)", {"Show Rejoined thelobby"}},
      {"a room left is not rejoined", {true}, Then(InLobbyPath(), Step{S::LeftChat{42}}, Step{S::Lost{"down"}}, Step{S::TimerFired{}, seconds(2)}, Step{S::LoggedIn{"me"}, seconds(2)}),
       {S::SignOnStepsDone{}}, "SignedOn(2000)", {}},
      {"a user's join ends an unconfirmed rejoin", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}, Step{S::SignOnStepsDone{}}),
       {S::JoinPressed{{"other", 5}}}, "SignedOn(4000)", {"Join(other 5)"}},
      {"so the user's room is not taken for the rejoin", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}, Step{S::SignOnStepsDone{}}, Step{S::JoinPressed{{"other", 5}}}),
       {S::JoinedChat{"other", 8}}, "SignedOn(4000)", {"Show Joined"}},
      {"the session ending ends the rejoin", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}, Step{S::SignOnStepsDone{}}),
       {S::Lost{"down"}, seconds(5)}, "WaitingToRetry(9000)", {"Show Disconnected down retry 4000", "Report Disconnected: down; signing on again in 4 s"}},
      {"a sign-on out of time, not before", {false}, {{S::SignOnPressed{"me", "pw"}}, {S::TimerFired{}, milliseconds(59999)}},
       {S::TimerFired{}, seconds(60)}, "Idle", {"LogOff", "Show Disconnected The server did not complete the sign-on within 60 seconds", "Report Disconnected: The server did not complete the sign-on within 60 seconds"}},
      {"is a failed try", {true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::TimerFired{}, seconds(60)}, "WaitingToRetry(62000)", {"LogOff", "Show Disconnected The server did not complete the sign-on within 60 seconds retry 2000", "Report Disconnected: The server did not complete the sign-on within 60 seconds; signing on again in 2 s"}},
      {"a refused sign-on stops the tries", {true}, RetriedPath(),
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account", "Report Sign-on refused: Invalid account"}},
      {"as does a 989 of a wrong password", {true}, RetriedPath(),
       {S::Refused{989, 7, "bad password"}}, "Idle", {"LogOff", "Show Refused bad password", "Report Sign-on refused: bad password"}},
      {"or of a blocked name", {true}, RetriedPath(),
       {S::Refused{989, 17, "blocked"}}, "Idle", {"LogOff", "Show Refused blocked", "Report Sign-on refused: blocked"}},
      {"any other 989 is a failed try", {true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::Refused{989, 2, "The screenname or password you entered is not valid"}}, "WaitingToRetry(2000)", {"LogOff", "Show Disconnected The screenname or password you entered is not valid retry 2000", "Report Disconnected: The screenname or password you entered is not valid; signing on again in 2 s"}},
      {"a refusal seen as a plain error is left to its own event", {true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::ServerError{989, "Sign on Blocked"}}, "SigningOn(60000)", {}},
      {"too soon is one that waits the longest delay", {true}, Then(RetriedPath(), Step{S::Refused{983, 0, "too soon"}, seconds(4)}, Step{S::TimerFired{}, seconds(304)}),
       {S::Refused{983, 0, "too soon"}, seconds(305)}, "WaitingToRetry(605000)", {"LogOff", "Show Disconnected too soon retry 300000", "Report Disconnected: too soon; signing on again in 300 s"}},
      {"without retries a refusal ends the sign-on, before the server's closing hides why", {false}, {{S::SignOnPressed{"me", "pw"}}},
       {S::Refused{983, 0, "too soon"}}, "Idle", {"LogOff", "Show Refused too soon", "Report Sign-on refused: too soon"}},
      {"other errors are shown and change nothing", {true}, InLobbyPath(),
       {S::ServerError{951, "Could not join chat"}}, "SignedOn(0)", {"Show Error Could not join chat"}},
      {"a line dropped for speaking too fast is shown as such", {true}, InLobbyPath(),
       {S::ServerError{903, "dropped"}}, "SignedOn(0)", {"Show LineRefused dropped"}},
      {"a password kept is that of the accepted sign-on the user asked for", {false, true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::LoggedIn{"me"}}, "SignedOn(0)", {"Store(me pw)", "Show SignedOn me"}},
      {"not again on a retry", {true, true}, RetriedPath(),
       {S::LoggedIn{"me"}}, "Rejoining(thelobby)", {"Defer", "Show SignedOn me"}},
      {"but on the retry that first accepts it, which joins the start room", {true, true}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::Lost{"down"}}, {S::TimerFired{}, seconds(2)}},
       {S::LoggedIn{"me"}, seconds(3)}, "Rejoining(thelobby)", {"Store(me pw)", "Defer", "Show SignedOn me"}},
      {"and a refusal is reported", {false, true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account (the password was not stored)", "Report Sign-on refused: Invalid account (the password was not stored)"}},
      {"as is one with the keyring's password, which stays, also on a retry", {true}, {{S::Started{"me"}}, {S::PasswordFound{"pw"}}, {S::LoggedIn{"me"}}, {S::Lost{"down"}}, {S::TimerFired{}, seconds(2)}},
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account (the password stored in the keyring for 'me'; it stays stored)", "Report Sign-on refused: Invalid account (the password stored in the keyring for 'me'; it stays stored)"}},
      {"a password is kept once", {false, true}, Then(SignedOnPath(), Step{S::SignOnPressed{"me", "pw"}}),
       {S::LoggedIn{"me"}}, "SignedOn(0)", {"Show SignedOn me"}},
      {"a lost connection after Sign Off is not tried again", {true}, Then(InLobbyPath(), Step{S::SignOffPressed{}}),
       {S::Lost{"down"}}, "Idle", {"Show Disconnected down", "Report Disconnected: down"}},
      {"a quiet connection is asked for an answer after 2 minutes without a byte", {true}, Then(SignedOnPath(), Step{S::TimerFired{1}, seconds(60)}, Step{S::TimerFired{1}, seconds(120)}),
       {S::TimerFired{1}, seconds(180)}, "SignedOn(0)", {"Probe"}},
      {"any byte within 60 s of asking keeps it", {true}, Then(SignedOnPath(), Step{S::TimerFired{1}, seconds(60)}, Step{S::TimerFired{1}, seconds(180)}),
       {S::TimerFired{2}, seconds(240)}, "SignedOn(0)", {}},
      {"and the server's not knowing the name asked about is not shown", {true}, Then(SignedOnPath(), Step{S::TimerFired{1}, seconds(60)}, Step{S::TimerFired{1}, seconds(180)}),
       {S::ServerError{901, "me is not available"}, seconds(181)}, "SignedOn(0)", {}},
      {"nothing within 60 s of asking loses it", {true}, Then(SignedOnPath(), Step{S::TimerFired{1}, seconds(60)}, Step{S::TimerFired{1}, seconds(120)}, Step{S::TimerFired{1}, seconds(180)}),
       {S::TimerFired{1}, seconds(240)}, "WaitingToRetry(242000)", {"LogOff", "Show Disconnected No answer from the server within 60 s of asking, after 120 s without a byte retry 2000", "Report Disconnected: No answer from the server within 60 s of asking, after 120 s without a byte; signing on again in 2 s"}},
      {"bytes received keep it", {true}, Then(SignedOnPath(), Step{S::TimerFired{1}, seconds(60)}, Step{S::TimerFired{2}, seconds(120)}),
       {S::TimerFired{3}, seconds(180)}, "SignedOn(0)", {}},
      {"the count is compared once a check interval, from the sign-on, whatever wakes it", {false}, {{S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}, seconds(100)}, {S::TimerFired{1}, seconds(130)}, {S::TimerFired{1}, seconds(160)}, {S::TimerFired{2}, seconds(190)}, {S::TimerFired{2}, seconds(220)}, {S::TimerFired{2}, seconds(280)}, {S::TimerFired{2}, seconds(340)}},
       {S::TimerFired{2}, seconds(370)}, "SignedOn(100000)", {}},
      {"so is a silent rejoin, counted from the sign-on", {false}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}, seconds(100)}, {S::TimerFired{}, seconds(160)}, {S::TimerFired{}, seconds(220)}},
       {S::TimerFired{}, seconds(280)}, "Idle", {"LogOff", "Show Disconnected No answer from the server within 60 s of asking, after 120 s without a byte", "Report Disconnected: No answer from the server within 60 s of asking, after 120 s without a byte"}},
      {"a sign-on too long to send is not tried again", {true}, {{S::SignOnPressed{"me", "pw"}}},
       {S::TooLong{true}}, "Idle", {"Show SignOnTooLong"}},
      {"a room too long to join ends the rejoin", {false}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::SignOnStepsDone{}}},
       {S::TooLong{}}, "SignedOn(0)", {"Show JoinTooLong"}},
      {"nor one while the keyring is asked", {true}, {{S::Started{"me"}}},
       {S::Lost{"down"}}, "Idle", {"Show Disconnected down", "Report Disconnected: down"}},
      {"Exit cancels a pending try without signing off", {true}, Then(InLobbyPath(), Step{S::Lost{"down"}}),
       {S::ExitPressed{}}, "Idle", {}},
      {"a room at start needs no keyring", {false}, {},
       {S::Started{"", kLobby}}, "Idle", {}},
      {"a late keyring answer leaves the user's sign-on", {false}, {{S::Started{"me", kLobby}}, {S::SignOnPressed{"you", "typed"}}},
       {S::NoPassword{}}, "SigningOn(60000, join thelobby)", {}},
      {"the keyring's password is not stored again", {false, true}, {{S::Started{"me"}}, {S::PasswordFound{"pw"}}},
       {S::LoggedIn{"me"}}, "SignedOn(0)", {"Show SignedOn me"}},
      {"a new Sign On forgets the rooms of the session before, the start room too", {true}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::JoinPressed{kLobby}}, {S::JoinedChat{"thelobby", 42}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::JoinedChat{"thelobby", 7}}, {S::Lost{"down"}}, {S::TimerFired{}, seconds(2)}},
       {S::LoggedIn{"me"}, seconds(2)}, "SignedOn(2000)", {"Show SignedOn me"}},
      {"a rejoin is confirmed once asked for, by its room, and asked for once", {false}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::JoinedChat{"thelobby", 5}}, {S::SignOnStepsDone{}}, {S::JoinedChat{"other", 8}}},
       {S::SignOnStepsDone{}}, "Rejoining(thelobby, asked)", {}},
      {"the start room rejoined is joined again after a drop", {true}, {{S::Started{"", kLobby}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::SignOnStepsDone{}}, {S::JoinedChat{"thelobby", 7}}, {S::Lost{"down"}}},
       {S::TimerFired{}, seconds(2)}, "SigningOn(62000, join thelobby)", {"Show SigningOnAgain me", "Login(me pw)"}},
      {"unless left by the ID it was rejoined under", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}, Step{S::SignOnStepsDone{}}, Step{S::JoinedChat{"thelobby", 7}}, Step{S::LeftChat{7}}, Step{S::Lost{"down"}, seconds(5)}),
       {S::TimerFired{}, seconds(9)}, "SigningOn(69000)", {"Show SigningOnAgain me", "Login(me pw)"}},
      {"rooms are told apart by their normalized names: the one asked for", {true}, Then(SignedOnPath(), Step{S::JoinPressed{{"The Lobby", 4}}}, Step{S::JoinedChat{"THE LOBBY", 42}}, Step{S::Lost{"down"}}),
       {S::TimerFired{}, seconds(2)}, "SigningOn(62000, join The Lobby)", {"Show SigningOnAgain me", "Login(me pw)"}},
      {"and the one to rejoin", {false}, {{S::Started{"", S::Room{"The Lobby", 4}}}, {S::SignOnPressed{"me", "pw"}}, {S::LoggedIn{"me"}}, {S::SignOnStepsDone{}}},
       {S::JoinedChat{"thelobby", 7}}, "SignedOn(0)", {"Show Rejoined The Lobby"}},
      {"leaving another room keeps the one to rejoin", {true}, Then(InLobbyPath(), Step{S::LeftChat{99}}, Step{S::Lost{"down"}}),
       {S::TimerFired{}, seconds(2)}, "SigningOn(62000, join thelobby)", {"Show SigningOnAgain me", "Login(me pw)"}},
      {"a session that waited five minutes for its rejoin was steady too", {true}, Then(RetriedPath(), Step{S::LoggedIn{"me"}, seconds(4)}),
       {S::Lost{"down"}, seconds(304)}, "WaitingToRetry(306000)", {"Show Disconnected down retry 2000", "Report Disconnected: down; signing on again in 2 s"}},
      {"a session ended forgets the keyring's password: by Sign Off", {false}, Then(KeyringPath(), Step{S::SignOffPressed{}}),
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account", "Report Sign-on refused: Invalid account"}},
      {"by a refusal", {false}, Then(KeyringPath(), Step{S::Refused{980, 0, "Invalid account"}}),
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account", "Report Sign-on refused: Invalid account"}},
      {"by a sign-on too long to send", {false}, {{S::Started{"me"}}, {S::PasswordFound{"pw"}}, {S::TooLong{true}}},
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account", "Report Sign-on refused: Invalid account"}},
      {"by a drop not tried again", {false}, Then(KeyringPath(), Step{S::Lost{"down"}}),
       {S::Refused{980, 0, "Invalid account"}}, "Idle", {"LogOff", "Show Refused Invalid account", "Report Sign-on refused: Invalid account"}},
      // clang-format on
  };
  for (const auto& row : rows) {
    Session session(row.options, [] { return 0.0; });
    for (const Step& step : row.path) session.Handle(step.event, step.at);
    std::vector<std::string> actions;
    for (const S::Action& action : session.Handle(row.event.event, row.event.at)) actions.push_back(Print(action));
    EXPECT_EQ(Print(session.Current()), row.state) << row.name;
    EXPECT_EQ(actions, row.actions) << row.name;
  }
}

TEST(Session, RetryDelaysDoubleUpToFiveMinutesShortenedByUpToAFifthAndStartAgainAfterASteadySession) {
  double random = 0;
  Session session({true}, [&] { return random; });
  milliseconds now(1000);
  session.Handle(S::SignOnPressed{"me", "pw"}, now);
  EXPECT_EQ(session.NextWake(), now + S::kSignOnLimit);
  session.Handle(S::LoggedIn{"me"}, now);
  EXPECT_EQ(session.NextWake(), now + S::kSilenceCheck);
  // How long until the next try after the session lasted so long.
  const auto drop = [&](S::Time lasted) {
    session.Handle(S::LoggedIn{"me"}, now);
    now += lasted;
    const auto actions = session.Handle(S::Lost{"down"}, now);
    const auto delay = *std::get<S::Show>(actions.front()).retryIn;
    EXPECT_EQ(session.NextWake(), now + delay);
    EXPECT_TRUE(session.Handle(S::TimerFired{}, now + delay - milliseconds(1)).empty());
    now += delay;
    EXPECT_FALSE(session.Handle(S::TimerFired{}, now).empty());
    return delay.count();
  };
  std::vector<std::int64_t> delays(10);
  for (auto& delay : delays) delay = drop(seconds(1));
  EXPECT_EQ(delays, (std::vector<std::int64_t>{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000}));
  EXPECT_EQ(drop(minutes(5)), 2000) << "a session of five minutes starts the delays again";
  EXPECT_EQ(drop(minutes(4)), 4000);
  random = 0.75;
  EXPECT_EQ(drop(seconds(0)), 6800) << "shortened by a fifth of the random number";
  session.Handle(S::SignOnPressed{"me", "pw"}, now);
  random = 0.5;
  EXPECT_EQ(drop(seconds(0)), 1800) << "Sign On starts again from 2 s";
  random = 3;
  EXPECT_EQ(drop(seconds(0)), 3200) << "never shortened by more than a fifth";
}
