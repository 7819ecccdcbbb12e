// The session the user asked for, as one explicit state, and every decision
// about it: when to sign on, when to join a room by itself, when to give a
// sign-on up, when to try again, and what the status line says.
//
// The window hands each event to Handle (a button pressed, an event of the
// control, the timer) and carries out the actions it answers with, in order;
// it keeps no session state of its own. The states:
//
//   Idle              no session wanted: at start, after Sign Off, after a
//                     refused sign-on that is not tried again or one too
//                     long to send, or after a lost connection that is not
//                     tried again;
//   AwaitingPassword  a sign-on asked for at start waits for the keyring's
//                     answer; the window goes on meanwhile, and a Sign On or
//                     Sign Off pressed before the answer stands;
//   SigningOn         Login called, waiting for LoggedIn until a deadline;
//   SignedOn          the server accepted the sign-on;
//   Rejoining         signed on and joining a room by itself (the room it
//                     was in, or the one asked for at start) until the
//                     server confirms that room, the user joins another or
//                     the session ends;
//   WaitingToRetry    the connection was lost and a new sign-on is due later.
//
// A room is joined without the user's press only after a sign-on Klaxo made
// itself (a retry), and once after the first accepted sign-on when a room
// was asked for at start: any other sign-on, or a configuration the server
// sends again, joins nothing.
//
// Retries (only when asked for): the first after kFirstDelay, each later one
// after twice the delay before, up to kLongestDelay, each shortened by a
// random part of up to a fifth so that clients dropped together do not all
// return at once; a session that lasted kSteadySession starts the delays
// again. A sign-on not completed within kSignOnLimit is given up, with or
// without retries, and counts as a failed try. A quiet room is not a dead
// connection (a server need not send keep-alives): the count of bytes
// received is compared every kSilenceCheck, and after kQuietLimit without a
// byte Klaxo asks the server something it must answer (Probe). Only when
// nothing at all arrives within kAnswerLimit of asking is the connection
// taken for lost, a failed try too; so a connection that died in silence is
// noticed within 5 minutes of its last byte. A sign-on the server refuses
// counts as a failed try too, except for a wrong account or password or a
// blocked name, which end the tries; after "too soon" the next try waits
// kLongestDelay. Every end of a connection is also reported as one line for
// standard error (Report), so a watch left running leaves a trace.
//
// No clock or timer here: the caller passes the time, arms its timer for
// NextWake and supplies the randomness, so tests drive it exactly.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class Session {
 public:
  // Time on one monotonic clock, from any fixed start.
  using Time = std::chrono::milliseconds;
  // A number from 0 (inclusive) to 1 (exclusive).
  using Random = std::function<double()>;

  static constexpr Time kSignOnLimit = std::chrono::seconds(60);
  static constexpr Time kFirstDelay = std::chrono::seconds(2);
  static constexpr Time kLongestDelay = std::chrono::minutes(5);
  static constexpr Time kSteadySession = std::chrono::minutes(5);
  static constexpr Time kSilenceCheck = std::chrono::minutes(1);
  static constexpr Time kQuietLimit = std::chrono::minutes(2);
  static constexpr Time kAnswerLimit = std::chrono::seconds(60);

  // A room as joined: its name as sent (wire bytes) and its exchange.
  struct Room {
    std::string name;
    std::int16_t exchange = 0;
  };

  struct Options {
    // Sign on again after a lost connection and rejoin the room.
    bool reconnect = false;
    // Keep the password typed for the next sign-on the server accepts.
    bool rememberPassword = false;
  };

  // The states.
  struct Idle {};
  struct AwaitingPassword {
    std::string name;
  };
  struct SigningOn {
    Time deadline;
    std::optional<Room> join{};  // the room to join once signed on
  };
  struct SignedOn {
    Time since;
  };
  struct Rejoining {
    Room room;
    Time since;
    bool asked = false;  // the join has gone to the server
  };
  struct WaitingToRetry {
    Time until;
  };
  using State = std::variant<Idle, AwaitingPassword, SigningOn, SignedOn, Rejoining, WaitingToRetry>;

  // The events. A name or password is as sent on the wire.
  struct SignOnPressed {
    std::string name;
    std::string password;
  };
  // What the command line asks for at start: signing on as name with the
  // password the keyring keeps, and a room to join once signed on.
  struct Started {
    std::string name;  // empty: the user signs on
    std::optional<Room> join{};
  };
  // The keyring's answer for the name of AwaitingPassword.
  struct PasswordFound {
    std::string password;
  };
  struct NoPassword {
    std::string why;  // empty when none is stored
  };
  struct SignOffPressed {};
  struct ExitPressed {};
  struct JoinPressed {
    Room room;
  };
  struct LoggedIn {
    std::string name;  // as the control reports it
  };
  // The control has finished its own steps of a sign-on (see Defer).
  struct SignOnStepsDone {};
  struct LoggedOut {};
  struct JoinedChat {
    std::string name;
    std::int32_t id = 0;
  };
  struct LeftChat {
    std::int32_t id = 0;
  };
  // The connection failed or was lost. A lasting failure cannot be mended
  // by trying again (the program's installation is at fault): no retry.
  struct Lost {
    std::string reason;
    bool lasting = false;
  };
  // An error the control reported: the server's, or its own with code 0.
  struct ServerError {
    std::int16_t code = 0;
    std::string text;
  };
  // The server refused the sign-on; subCode is 989's, else 0.
  struct Refused {
    std::int16_t code = 0;
    std::int32_t subCode = 0;
    std::string text;
  };
  struct TimerFired {
    std::uint64_t received = 0;  // the control's count of bytes received
  };
  // The control sent nothing of a Login or Join: its command is over the
  // server's limit.
  struct TooLong {
    bool signOn = false;
  };
  using Event = std::variant<SignOnPressed, Started, PasswordFound, NoPassword, SignOffPressed, ExitPressed,
                             JoinPressed, LoggedIn, SignOnStepsDone, LoggedOut, JoinedChat, LeftChat, Lost, ServerError,
                             Refused, TimerFired, TooLong>;

  // The actions, carried out by the window in the order given.
  struct Login {
    std::string name;
    std::string password;
  };
  struct Join {
    Room room;
  };
  struct LogOff {};
  // Ask the keyring for the password of name; it answers with PasswordFound
  // or NoPassword.
  struct ReadPassword {
    std::string name;
  };
  // Hand SignOnStepsDone back once the control's LoggedIn handling has
  // returned: a command sent from inside it would precede the control's own.
  struct Defer {};
  // Ask the server something it must answer: the status of the name signed on.
  struct Probe {};
  // Write one line to standard error.
  struct Report {
    std::string line;
  };
  // Keep the password typed for a sign-on the server accepted.
  struct StorePassword {
    std::string name;
    std::string password;
  };
  // What the status line and the window's room state show.
  struct Show {
    enum What {
      AskingKeyring,   // text: the name
      NoPassword,      // text: the name; detail: why, empty when none is stored
      SigningOn,       // text: the name, signing on with the keyring's password
      SignedOn,        // text: the name
      Joined,          // the room in the room box
      Rejoined,        // text: the room joined again, whatever the room box reads
      Left,            //
      LoggedOff,       //
      Disconnected,    // text: the reason; retryIn when a try is due
      SigningOnAgain,  // text: the name
      Refused,         // text: the server's reason; detail: what became of the password kept or to keep
      SignOnTooLong,   //
      JoinTooLong,     //
      Error,           // text: the error as the control words it
      LineRefused,     // text: why the server dropped a line; the console says so when it is shown
    };
    What what;
    std::string text{};
    std::string detail{};
    std::optional<Time> retryIn{};
  };
  using Action = std::variant<Login, Join, LogOff, ReadPassword, Defer, StorePassword, Probe, Report, Show>;
  using Actions = std::vector<Action>;

  Session(Options options, Random random);

  Actions Handle(const Event& event, Time now);

  [[nodiscard]] const State& Current() const { return state_; }
  // When the timer must fire next, if anything is pending.
  [[nodiscard]] std::optional<Time> NextWake() const;

 private:
  struct Credentials {
    std::string name;
    std::string password;
    bool fromKeyring = false;
  };

  Actions On(const SignOnPressed& event, Time now);
  Actions On(const Started& event, Time now);
  Actions On(const PasswordFound& event, Time now);
  Actions On(const NoPassword& event, Time now);
  Actions On(const SignOffPressed& event, Time now);
  Actions On(const ExitPressed& event, Time now);
  Actions On(const JoinPressed& event, Time now);
  Actions On(const LoggedIn& event, Time now);
  Actions On(const SignOnStepsDone& event, Time now);
  Actions On(const LoggedOut& event, Time now);
  Actions On(const JoinedChat& event, Time now);
  Actions On(const LeftChat& event, Time now);
  Actions On(const Lost& event, Time now);
  Actions On(const ServerError& event, Time now);
  Actions On(const Refused& event, Time now);
  Actions On(const TimerFired& event, Time now);
  Actions On(const TooLong& event, Time now);

  // A sign-on wanted from now on.
  Actions SignOn(Credentials credentials, Time now);
  // The session ended without the user asking: tries again when asked to.
  Actions Dropped(const std::string& reason, Time now);
  // The same for a connection still open: it is closed first.
  Actions GiveUp(const std::string& reason, Time now);
  [[nodiscard]] bool Connected() const;
  // No session is wanted any more: the password and rooms are forgotten.
  void Forget();

  Options options_;
  Random random_;
  State state_ = Idle{};
  // The name and password of the sign-on wanted; kept only while one is.
  std::optional<Credentials> credentials_;
  // Each room asked for since signing on, by normalized name.
  std::map<std::string, Room> requested_;
  // The room joined last and not left, with its ID: joined again after Klaxo
  // signs on again by itself.
  std::optional<Room> room_;
  std::int32_t roomId_ = 0;
  // The room asked for at start, until a sign-on is accepted.
  std::optional<Room> startRoom_;
  // Whether the password of the next accepted sign-on is still to be kept.
  bool rememberPassword_;
  Time nextDelay_ = kFirstDelay;
  // While connected: the count of bytes received when last compared, when
  // it last changed, when it was compared, and when the server was asked
  // for an answer that has not come yet.
  struct {
    std::uint64_t bytes = 0;
    Time at{};
    Time checked{};
    std::optional<Time> asked{};
  } heard_;
};
