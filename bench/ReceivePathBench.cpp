// The control's receive path under a flooding room: CHAT_IN_ENC frames cut,
// dispatched and raised as ChatMessage, against the cost of merely copying
// the same bytes and finding their colons.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "FakeSocket.h"
#include "Frames.h"
#include "QuovTOCSock.h"

namespace {

constexpr std::size_t kStreamBytes = 16 * 1024 * 1024;

class CountingHolder : public QuovTOCSockEvents {
 public:
  void ChatMessage(std::int32_t&, std::string&, std::string& text) override {
    ++messages;
    bytes += text.size();
  }
  std::size_t messages = 0;
  std::size_t bytes = 0;
};

std::string ChatFrame(std::size_t n) {
  return ServerMessage("CHAT_IN_ENC:42:Someone " + std::to_string(n % 17) +
                           ":F:A:en:<FONT COLOR=\"#000000\">an ordinary sentence said in the room, number " +
                           std::to_string(n) + "</FONT>",
                       static_cast<std::uint16_t>(n));
}

std::string StreamOf(std::size_t bytes) {
  std::string stream;
  for (std::size_t n = 0; stream.size() < bytes; ++n) stream += ChatFrame(n);
  return stream;
}

struct SignedOnControl {
  SignedOnControl() {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    toc = std::make_unique<QuovTOCSock>(std::move(socket), &holder);
    toc->Login("bench", "pw", "toc.example", 5190);
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("CONFIG2:done:\n"));
    sock->sent.clear();
  }
  CountingHolder holder;
  FakeSocket* sock = nullptr;
  std::unique_ptr<QuovTOCSock> toc;
};

void BM_ReceivePath(benchmark::State& state) {
  const std::string stream = StreamOf(kStreamBytes);
  const auto chunk = static_cast<std::size_t>(state.range(0));
  SignedOnControl control;
  for (auto _ : state) {
    if (chunk == 0) {
      control.sock->Deliver(stream);
    } else {
      control.sock->DeliverInChunks(stream, chunk);
    }
  }
  benchmark::DoNotOptimize(control.holder.bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
  state.counters["messages"] = static_cast<double>(control.holder.messages) / static_cast<double>(state.iterations());
}
// 0: the whole stream as one arrival.
BENCHMARK(BM_ReceivePath)->Arg(0)->Arg(64 * 1024)->Arg(1024)->Unit(benchmark::kMillisecond);

// What any reader of the stream must at least do: copy it once and find its colons.
void BM_Baseline(benchmark::State& state) {
  const std::string stream = StreamOf(kStreamBytes);
  std::string copy(stream.size(), '\0');
  for (auto _ : state) {
    std::memcpy(copy.data(), stream.data(), stream.size());
    std::size_t colons = 0;
    const char* at = copy.data();
    const char* end = copy.data() + copy.size();
    while ((at = static_cast<const char*>(std::memchr(at, ':', static_cast<std::size_t>(end - at)))) != nullptr) {
      ++colons;
      ++at;
    }
    benchmark::DoNotOptimize(colons);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond);

// The cost per frame as the number of frames in one arrival grows.
void BM_ReceiveScaling(benchmark::State& state) {
  const auto frames = static_cast<std::size_t>(state.range(0));
  std::string stream;
  for (std::size_t n = 0; n < frames; ++n) stream += ChatFrame(n);
  SignedOnControl control;
  for (auto _ : state) control.sock->Deliver(stream);
  state.counters["seconds_per_frame"] = benchmark::Counter(static_cast<double>(state.iterations() * frames),
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReceiveScaling)->Arg(1000)->Arg(10000)->Arg(100000);

}  // namespace
