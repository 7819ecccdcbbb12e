// QuovTOCSock: a TOC2 client. It owns the connection, the FLAP framing and
// the sign-on exchange, turns every server message into an event for its
// holder, and offers one method per client command.
//
// The control never throws to its holder and reports nothing through return
// values: failures reach the holder only as the Error and WinsockError
// events, and a step that cannot be done (a missing field, a number that does
// not parse) is skipped while the next step runs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Collection.h"
#include "Flap.h"
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

  // events may be null; the holder's handlers are called synchronously.
  explicit QuovTOCSock(std::unique_ptr<TocSocket> socket, QuovTOCSockEvents* events = nullptr);
  ~QuovTOCSock();
  QuovTOCSock(const QuovTOCSock&) = delete;
  QuovTOCSock& operator=(const QuovTOCSock&) = delete;

  // Session.
  void Login(const std::string& UserName, const std::string& Password, const std::string& TOCServer,
             std::int32_t Port, const std::string& AuthServer = kDefaultAuthServer);
  void LogOff();
  void SendPacket(std::int16_t intChannel, std::string strData);

  // Text.
  [[nodiscard]] std::string RemoveHtml(std::string strMessage) const;

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
  // One occupant collection per joined room, keyed by the room ID's text;
  // each maps a normalized screen name to the name as sent.
  Collection<Collection<std::string>> UsersHere;

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
  void DropCorruptStream();

  // Packet dispatch and sign-on.
  void HandlePacket(const std::string& F);
  void SendClientSignOn();
  void DispatchMessage(std::string_view message);
  static MessageHandler FindHandler(std::string_view name);
  void HandleNick(std::string_view message);
  void HandleConfig2(std::string_view message);
  void ReadConfiguration(std::string_view text);

  void RaiseError(std::int16_t code, std::string text);
  void RaiseWinsockError(std::string text);

  std::unique_ptr<TocSocket> Sock;
  QuovTOCSockEvents* events_;

  std::string ServerHost;
  std::int32_t ServerPort = 0;
  std::array<ChatRoom, 11> ChatRooms{};
  std::int32_t FlapSequence = 0;
  flap::Reader PendingData;
  std::string ConfigText;

  int width_ = 0;
  int height_ = 0;
};
