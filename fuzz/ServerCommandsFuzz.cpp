// Drives the bundled server's protocol core with arbitrary client input on
// three signed-on connections. The last byte picks the mode: raw bytes on
// one connection (framing and sign-on faults), or client data frames, one
// per NUL-separated piece of the input, each sent on the connection its
// first byte picks (command handling and routing between clients). Every
// so often the clock moves on and what was sent is reported written, except
// for the last connection, which never reads (send queue bounds, cut-offs).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "Flap.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "WireText.h"

namespace {

constexpr ConnectionId kClients = 3;

// A client's data frame: the command line and one NUL.
std::string DataFrame(const std::string& line, std::uint16_t sequence) {
  return flap::BuildFrame(flap::kData, sequence, line + std::string(1, '\0'));
}

std::string SignOn(const std::string& name) {
  std::string bytes(flap::kGreeting);
  bytes += flap::BuildFrame(
      flap::kSignOn, 0,
      std::string("\0\0\0\x01\0\x01", 6) + flap::EncodeWord(static_cast<std::int32_t>(name.size())) + name);
  bytes += DataFrame("toc2_login localhost 5190 " + name + " " + RoastPassword("pw") +
                         " English  \"QuovTOCSock 2.0\" 160 US \"\" \"\" 3 0 30303 -kentucky -utf8 52718093",
                     1);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool framed = input.ConsumeBool();
  std::int64_t now = 1000;
  ServerCore core(AccountStore{}, ServerSettings{true, [&now] { return now; }});
  for (ConnectionId id = 1; id <= kClients; ++id) {
    core.Open(id, "192.0.2.1");
    core.Receive(id, SignOn("user" + std::to_string(id)));
  }
  const std::int32_t demo = core.OpenKeptRoom(4, "demo");
  core.ScriptedArrival(demo, "Maple Jones");
  core.Receive(2, DataFrame("toc_chat_join \"4\" \"demo\"", 2));
  core.TakeOutput();

  const std::string rest = input.ConsumeRemainingBytesAsString();
  if (!framed) {
    core.Receive(1, rest);
  } else {
    std::uint16_t sequence = 2;
    std::size_t start = 0;
    while (start <= rest.size()) {
      const std::size_t end = std::min(rest.find('\0', start), rest.size());
      const std::string piece = rest.substr(start, end - start);
      const ConnectionId id = piece.empty() ? 1 : 1 + static_cast<unsigned char>(piece[0]) % kClients;
      core.Receive(id, DataFrame(piece.empty() ? piece : piece.substr(1), sequence++));
      if (sequence % 16 == 0) {
        core.SendKeepAlives();
        core.ScriptedMessage(demo, "Maple Jones", "hello");
        now += 5;
        for (const auto& out : core.TakeOutput()) {
          if (out.kind == ServerOutput::Kind::Send && out.connection != kClients) {
            core.Written(out.connection, out.bytes.size());
          }
        }
        core.Tick();
      }
      start = end + 1;
    }
  }
  now += limits::kSignOnSeconds;
  core.Tick();
  for (ConnectionId id = 1; id <= kClients; ++id) core.Gone(id);
  // Nothing a client sends may make the server hold more than a frame per connection.
  if (core.PendingInputBytes() > kClients * (flap::kHeaderSize + flap::kMaxPayload)) std::abort();
  core.TakeOutput();
  return 0;
}
