// Creation, sizing and the session's start and end.
#include "QuovTOCSock.h"

#include <utility>

#include "Functions.h"
#include "WireText.h"

namespace {
// Stands in for a holder that handles no event.
QuovTOCSockEvents& NoEvents() {
  static QuovTOCSockEvents none;
  return none;
}

constexpr std::int32_t kDefaultTocPort = 5190;
}  // namespace

QuovTOCSock::QuovTOCSock(std::unique_ptr<TocSocket> socket, QuovTOCSockEvents* events)
    : Sock(std::move(socket)), events_(events != nullptr ? events : &NoEvents()) {
  Sock->SetListener(this);
  UserControl_Initialize();
}

QuovTOCSock::~QuovTOCSock() {
  Sock->SetListener(nullptr);
  Sock->Close();
}

void QuovTOCSock::UserControl_Initialize() { UserControl_Resize(); }

void QuovTOCSock::UserControl_Resize() {
  height_ = imgSockLogo.Height;
  width_ = imgSockLogo.Width;
}

void QuovTOCSock::SetWidth(int width) {
  width_ = width;
  UserControl_Resize();
}

void QuovTOCSock::SetHeight(int height) {
  height_ = height;
  UserControl_Resize();
}

std::string QuovTOCSock::RemoveHtml(std::string_view strMessage) const { return StripHtml(strMessage); }

void QuovTOCSock::Login(const std::string& UserName, const std::string& Password, const std::string& TOCServer,
                        std::int32_t Port, const std::string& AuthServer) {
  UsersHere.Clear();
  std::string authServer(TrimSpaces(AuthServer));
  if (authServer.empty()) authServer = kDefaultAuthServer;
  strUserName = NormalizeName(UserName);
  strPassword = RoastPassword(Password);
  ServerHost = TrimSpaces(TOCServer);
  ServerPort = Port;
  strAuthServer = std::move(authServer);
  Sock->Close();
  Advance(Step::Closed);
  // A sign-on the server would close the connection over is not started.
  LoginOpen = !RefuseOverLimit(SignOnCommand());
  if (LoginOpen) Sock->Connect(ServerHost, ServerPort);
}

void QuovTOCSock::LogOff() {
  LoginOpen = false;
  UsersHere.Clear();
  Sock->Close();
  Advance(Step::Closed);
  events_->LoggedOut(strUserName);
  strUserName.clear();
  strPassword.clear();
  strAuthServer.clear();
  ServerHost.clear();
  ServerPort = kDefaultTocPort;
  LastChatID = 0;
}

void QuovTOCSock::RaiseError(std::int16_t code, std::string text) { events_->Error(code, text); }

void QuovTOCSock::RaiseWinsockError(std::string text) { events_->WinsockError(text); }
