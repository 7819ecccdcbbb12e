// Feeds arbitrary server bytes to a signed-on control, cut into arrivals of
// varying sizes. The holder calls commands back into the control on some
// events, as an application does. The last byte picks the mode: raw bytes
// (the framing itself is fuzzed) or one data frame per NUL-separated piece
// of the input (the message handlers are fuzzed).
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>

#include "FakeSocket.h"
#include "Frames.h"
#include "QuovTOCSock.h"

namespace {

class CallingBackHolder : public QuovTOCSockEvents {
 public:
  QuovTOCSock* toc = nullptr;
  FakeSocket* sock = nullptr;
  int events = 0;

  void LoggedIn(std::string, Collection<std::string>&, Collection<std::string>&, Collection<std::string>&,
                Collection<std::string>&, const std::string&, std::int16_t) override {
    ++events;
    toc->JoinChat("lobby", 4);
  }
  void JoinedChat(std::string& name, std::int32_t& id) override {
    ++events;
    toc->SendChat(name, "hello (there)", id);
  }
  void ChatMessage(std::int32_t& id, std::string& user, std::string& text) override {
    ++events;
    (void)toc->RemoveHtml(text);
    if (text.size() % 5 == 0) toc->SendChat(toc->GetChatName(id), user + ": " + text, id);
  }
  void ChatUserUpdate(const std::string& user, bool inside, std::int32_t id) override {
    ++events;
    class Discard : public PeopleList {
      void ClearPeople() override {}
      void AddPerson(const std::string&) override {}
    } list;
    toc->SetUsers(list, std::to_string(id));
    if (!inside && user.size() == 3) toc->LeaveChat(user, id);
  }
  void LeftChat(std::int32_t& id) override {
    ++events;
    toc->AcceptChatInvite(id);
  }
  void InitialJoin(const std::string&, std::int32_t) override { ++events; }
  void ChatInvite(std::string&, std::int32_t& id, std::string& from, std::string&) override {
    ++events;
    toc->AcceptChatInvite(id);
    toc->SendIM(from, "thanks", false);
  }
  void InstantMessage(std::string& user, std::string& text, bool& autoResponse, std::string&) override {
    ++events;
    if (!autoResponse) toc->SendIM(user, text, true);
  }
  void Error(std::int16_t& code, std::string&) override {
    ++events;
    if (code == 980) toc->LogOff();
  }
  void WinsockError(std::string&) override {
    ++events;
    // Sign on again, as a holder that reconnects would.
    toc->Login("fuzzer", "pw", "toc.example", 5190);
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("CONFIG2:done:\n"));
  }
};

std::string AsFrames(const std::string& pieces) {
  std::string frames;
  std::size_t start = 0;
  std::uint16_t sequence = 0;
  while (start <= pieces.size()) {
    const std::size_t end = std::min(pieces.find('\0', start), pieces.size());
    frames += ServerMessage(pieces.substr(start, end - start), sequence++);
    start = end + 1;
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool framed = input.ConsumeBool();

  auto socket = std::make_unique<FakeSocket>();
  FakeSocket* sock = socket.get();
  CallingBackHolder holder;
  QuovTOCSock toc(std::move(socket), &holder);
  holder.toc = &toc;
  holder.sock = sock;
  toc.Login("fuzzer", "pw", "toc.example", 5190);
  sock->Open();
  sock->Deliver(SignOnFrame() + ServerMessage("CONFIG2:g:Buddies\nb:pat\ndone:\n"));

  const std::string chunkSizes = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 8));
  const std::string rest = input.ConsumeRemainingBytesAsString();
  const std::string stream = framed ? AsFrames(rest) : rest;
  std::size_t next = 0;
  for (std::size_t i = 0; next < stream.size(); ++i) {
    const std::size_t chunk =
        chunkSizes.empty() ? stream.size() : 1 + static_cast<unsigned char>(chunkSizes[i % chunkSizes.size()]) * 7;
    if (sock->State() != SocketState::Connected) {
      toc.Login("fuzzer", "pw", "toc.example", 5190);
      sock->Open();
    }
    sock->Deliver(std::string_view(stream).substr(next, chunk));
    next += chunk;
  }
  sock->sent.clear();
  return 0;
}
