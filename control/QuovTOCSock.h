// QuovTOCSock: a TOC2 client. It owns the connection, the FLAP framing and
// the sign-on exchange, turns every server message into an event for its
// holder, and offers one method per client command.
//
// Apart from SetIdleTime's overflow, the control never throws to its holder
// and reports nothing through return values: failures reach the holder only
// as the Error and WinsockError events, and a step that cannot be done (a
// missing field, a number that does not parse) is skipped while the next step
// runs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Collection.h"
#include "CommandLine.h"
#include "Flap.h"
#include "PeopleList.h"
#include "QuovTOCSockEvents.h"
#include "TocSocket.h"

class QuovTOCSock : private TocSocketListener {
 public:
  // The authorizer host named in the sign-on command when Login is not told one.
  static constexpr const char* kDefaultAuthServer = "localhost";

  // The control's only visible content, which also fixes its size.
  struct LogoImage {
    const char* file;
    int Width;
    int Height;
  };
  static constexpr LogoImage imgSockLogo{"QuovTOCSock.png", 125, 37};

  // The text of the Error and SignOnRefused events for ERROR:989 with this sub-code.
  static std::string SignOnFailedText(std::string_view subCode);

  // Where the connection stands in the sign-on exchange. Each phase allows
  // its own answers, so a server that repeats itself gets none: the client's
  // sign-on, and with it the password, goes once per connection; LoggedIn
  // and toc_init_done once per sign-on.
  enum class Phase { Offline, AwaitingSignOnFrame, AwaitingConfiguration, SignedOn };
  enum class Step { Connected, SignOnFrame, ConfigurationEnd, Closed };
  // The phase that step leads to from phase; nothing when phase does not allow it.
  [[nodiscard]] static std::optional<Phase> After(Phase phase, Step step);
  [[nodiscard]] Phase CurrentPhase() const { return phase_; }

  // A buddy-list configuration as the server sent it in CONFIG2 messages.
  struct Configuration {
    Collection<std::string> BuddyList;
    Collection<std::string> BlockList;
    Collection<std::string> PrivateList;
    Collection<std::string> MiscData;
    std::string strPreferences;
    std::int16_t PrivacyMode = 0;
  };

  // events may be null; the holder's handlers are called synchronously.
  explicit QuovTOCSock(std::unique_ptr<TocSocket> socket, QuovTOCSockEvents* events = nullptr);
  ~QuovTOCSock();
  QuovTOCSock(const QuovTOCSock&) = delete;
  QuovTOCSock& operator=(const QuovTOCSock&) = delete;

  // The most bytes that may wait unsent: past it the server is taken to have
  // stopped reading, and the connection is closed as lost.
  static constexpr std::size_t kMaxUnsentBytes = std::size_t{1024} * 1024;

  // Session. Login connects only when its sign-on command fits kMaxCommandBytes.
  void Login(const std::string& UserName, const std::string& Password, const std::string& TOCServer, std::int32_t Port,
             const std::string& AuthServer = kDefaultAuthServer);
  void LogOff();
  // A data frame whose command is over kMaxCommandBytes is not sent: Error
  // tells why, for this and every command method.
  void SendPacket(std::int16_t intChannel, std::string strData);
  // Every byte received in the control's life; a holder that sees it stand
  // still knows the connection is silent.
  [[nodiscard]] std::uint64_t BytesReceived() const { return bytesReceived_; }

  // Chat rooms.
  void JoinChat(const std::string& strRoomName, std::int16_t intExchange);
  void LeaveChat(const std::string& strChatName, std::int32_t lngChatID = 0);
  void SendChat(const std::string& strChatName, const std::string& strMessage, std::int32_t lngChatID = 0);
  // How many bytes too long the line SendChat would send is; 0 when it fits
  // or nothing would be sent.
  [[nodiscard]] std::size_t ChatSendExcess(const std::string& strChatName, const std::string& strMessage,
                                           std::int32_t lngChatID = 0) const;
  void InviteUsers(const std::string& strChatName, const std::string& strInviteMessage, const std::string& strUsers,
                   std::int32_t lngChatID = 0);
  void AcceptChatInvite(std::int32_t lngChatID);
  // Fills Console's people list with the occupants of the room whose ID text
  // is lngChatID; "042" names room 42.
  void SetUsers(PeopleList& Console, const std::string& lngChatID) const;
  [[nodiscard]] std::string GetChatName(std::int32_t lngChatID) const;

  // Instant messages, profile and status.
  void SendIM(const std::string& strUserName, const std::string& strMessage, bool AutoResponse);
  void GetProfile(const std::string& strUserName);
  void SetProfile(const std::string& strProfile);
  void SetAwayMessage(const std::string& strAwayMessage);
  void GetStatus(const std::string& strUserName);
  // Throws std::overflow_error, sending nothing, when lngMinutes * 60 leaves the 32-bit range.
  void SetIdleTime(std::int32_t lngMinutes);
  void ChangePassword(const std::string& strOldPassword, const std::string& strNewPassword);
  void FormatUserName(const std::string& strFormatted);
  void WarnUser(const std::string& strUserName, bool blnAnonymous);
  void SetCapability(const std::string& strCapUUID);

  // Stored buddy, block and permit lists.
  void AddBuddy(const std::string& strGroup, const std::string& strBuddy);
  void RemoveBuddy(const std::string& strGroup, const std::string& strBuddy);
  void AddGroup(const std::string& strGroup);
  void RemoveGroup(const std::string& strGroup);
  void BlockUser(const std::string& strUserName);
  void UnblockUser(const std::string& strUserName);
  void AddPrivateUser(const std::string& strUserName);
  void RemovePrivateUser(const std::string& strUserName);
  void SetPrivacy(std::int16_t intMode);

  // Text.
  [[nodiscard]] std::string RemoveHtml(std::string_view strMessage) const;

  // Size: always the logo's, whatever a holder sets.
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  void SetWidth(int width);
  void SetHeight(int height);

  // Session data, readable and writable by the holder.
  std::string strUserName;
  std::string strPassword;
  std::string strAuthServer;
  std::int32_t LastChatID = 0;
  // The configuration last received; one sent again after the sign-on
  // replaces it without another LoggedIn.
  Configuration LastConfiguration;
  // One occupant collection per joined room, keyed by the room ID as decimal
  // text without leading zeros ("042" is recorded and found as "42"); each
  // maps a normalized screen name to the name as sent, and holds at most
  // kMaxRoomSize people. A room whose ID is not a 32-bit number is not
  // recorded: no event could name it.
  Collection<Collection<std::string>> UsersHere;
  // What a server can make UsersHere hold. A user sits in a few rooms (the
  // bundled server allows 10); past kMaxRooms the room recorded earliest
  // gives way to the one joined, except the room of LastChatID, the one the
  // holder watches: so both it and the room joined last stay recorded.
  // Arrivals that would pass kMaxPeopleHere in all rooms together are not
  // recorded, as those past a full room are not. The bounds live here
  // because UsersHere is where the server's names are kept: every holder
  // gets them.
  static constexpr std::size_t kMaxRooms = 16;
  static constexpr std::size_t kMaxPeopleHere = 2 * kMaxRoomSize;

 private:
  struct ChatRoom {
    std::int32_t ChatID = 0;
    std::string ChatName;
  };
  using MessageHandler = void (QuovTOCSock::*)(std::string_view message);

  void UserControl_Initialize();
  void UserControl_Resize();

  // Connection and framing.
  void Sock_Connect() override;
  void Sock_DataArrival(std::size_t bytesTotal) override;
  void Sock_Close() override;
  void Sock_Error(const std::string& description) override;
  // Closes the connection as lost and tells the holder why.
  void DropConnection(const std::string& why);
  // Moves to the phase step leads to; false, with the phase unchanged, when
  // the phase does not allow step.
  bool Advance(Step step);
  void AnswerKeepAlive();
  // Raises Error when command is over kMaxCommandBytes: the server would close the connection over it.
  bool RefuseOverLimit(std::string_view command);

  // Packet dispatch and sign-on.
  void HandlePacket(const std::string& F);
  void SendClientSignOn();
  [[nodiscard]] std::string SignOnCommand() const;
  void DispatchMessage(std::string_view message);
  static MessageHandler FindHandler(std::string_view name);
  void HandleNick(std::string_view message);
  void HandleConfig2(std::string_view message);
  // Reads a whole configuration into LastConfiguration; false when no line is its end.
  bool ReadConfiguration(std::string_view text);

  // Chat room messages.
  void HandleChatJoin(std::string_view message);
  void HandleChatUpdateBuddy(std::string_view message);
  void HandleChatInEnc(std::string_view message);
  void HandleChatLeft(std::string_view message);
  void HandleChatInvite(std::string_view message);
  // Makes room in UsersHere for one more room.
  void EvictRoom();
  // The people recorded in all rooms together.
  [[nodiscard]] std::size_t PeopleHere() const;

  // Buddy, presence and list-change messages.
  void HandleUpdateBuddy2(std::string_view message);
  void HandleBuddyCaps2(std::string_view message);
  void HandleBart2(std::string_view message);
  void HandleInserted2(std::string_view message);
  void HandleDeleted2(std::string_view message);

  // Instant messages, errors and notices.
  void HandleImInEnc2(std::string_view message);
  void HandleError(std::string_view message);
  void HandleGotoUrl(std::string_view message);
  void HandleEviled(std::string_view message);
  void HandleAdminNickStatus(std::string_view message);
  void HandleAdminPasswdStatus(std::string_view message);
  void HandleRvousPropose(std::string_view message);
  void HandleClientEvent2(std::string_view message);

  // The ID of the room given by lngChatID, or else of the first slot named strChatName.
  [[nodiscard]] std::optional<std::int32_t> ResolveRoom(const std::string& strChatName, std::int32_t lngChatID) const;
  void SendCommand(const CommandLine& line);

  void RaiseError(std::int16_t code, std::string text);
  void RaiseWinsockError(std::string text);

  std::unique_ptr<TocSocket> Sock;
  QuovTOCSockEvents* events_;

  std::string ServerHost;
  std::int32_t ServerPort = 0;
  // From Login until LogOff: a close by the server in that time is reported,
  // also before the server has named the user.
  bool LoginOpen = false;
  Phase phase_ = Phase::Offline;
  std::array<ChatRoom, 11> ChatRooms{};
  std::int32_t FlapSequence = 0;
  flap::Reader PendingData;
  std::string ConfigText;
  std::uint64_t bytesReceived_ = 0;
  // Bytes handed to the socket on this connection, and their count once the
  // last keep-alive answer was handed.
  std::uint64_t bytesSent_ = 0;
  std::uint64_t keepAliveAnswered_ = 0;

  int width_ = 0;
  int height_ = 0;
};
