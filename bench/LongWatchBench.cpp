// A long unattended watch: the real main window, its console open and the
// word kiwi listed, against klaxo-tocd over loopback with --reconnect, while
// scripted clients in a process of their own fill the room. One person talks
// every second; every third cycle of 5 seconds twenty people flood the room
// with 2,000 lines at once, one in 25 raising an alert; every seventh cycle
// twenty new people arrive and leave again. The connection is dropped every
// 5.5 minutes, or every third of a shorter run, by restarting the server.
// Alert boxes are real ones, answered after 50 ms. Every other way of
// delivery is on as well: a desktop notification, the theme's sound, the
// tray's count of unseen alerts, a command run for each alert (/bin/true),
// the history, the room log and the console's timestamps. tools/bench.sh
// runs it with a notification daemon and its own data folder.
//
// Reported: the watch's resident and private memory and the bytes its heap
// holds in use, at the end of the first session whose transcript is full
// (its bound reached) and of the last, with the growth per hour between the
// two, and the resident memory at the end once the heap has given back what
// it holds free; and a line a minute on standard error. The run lasts
// KLAXO_LONG_WATCH_SECONDS (default 360); tools/bench.sh --long-watch runs it
// for an hour.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Klaxo.h"
#include "MessageBoxAlerts.h"
#include "QtTocSocket.h"

namespace {

constexpr int kCycleMs = 5000;
constexpr int kFloodClients = 20;
constexpr int kFloodLinesEach = 100;
constexpr int kChurnClients = 20;
constexpr qint64 kDropEveryMs = 330000;
constexpr int kWaitMs = 20000;
const std::string kRoom = "longwatch";

// One scripted person: signs on, joins the room and says what it is told.
class Person : private QuovTOCSockEvents {
 public:
  Person(int port, const std::string& name) : toc_(std::make_unique<QtTocSocket>(), this) {
    toc_.Login(name, "pw", "127.0.0.1", port);
  }
  ~Person() override { toc_.LogOff(); }
  Person(const Person&) = delete;
  Person& operator=(const Person&) = delete;

  [[nodiscard]] bool InRoom() const { return toc_.LastChatID != 0; }
  void Leave() { toc_.LeaveChat(kRoom, toc_.LastChatID); }
  void Say(const std::string& text) {
    if (InRoom()) toc_.SendChat(kRoom, text, toc_.LastChatID);
  }

 private:
  void LoggedIn(std::string, Collection<std::string>&, Collection<std::string>&, Collection<std::string>&,
                Collection<std::string>&, const std::string&, std::int16_t) override {
    toc_.JoinChat(kRoom, 4);
  }

  QuovTOCSock toc_;
};

std::string Sentence(int number, bool alerting) {
  return std::to_string(number) + (alerting ? " who brought the kiwi" : " the bread") +
         " on the corner is lovely today, the coffee is strong and the queue moves fast";
}

// The scripted room, from cycle first on, until the process is killed.
int Drive(int port, int first) {
  std::unique_ptr<Person> talker = std::make_unique<Person>(port, "talker");
  std::vector<std::unique_ptr<Person>> flood;
  for (int i = 0; i < kFloodClients; ++i) flood.push_back(std::make_unique<Person>(port, "flood " + std::to_string(i)));
  std::vector<std::unique_ptr<Person>> churn;
  int line = 0;
  int second = first * (kCycleMs / 1000);
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    talker->Say(Sentence(line, line % 10 == 0));
    ++line;
    if (second % (kCycleMs / 1000) == 0) {
      const int cycle = second / (kCycleMs / 1000);
      if (cycle % 3 == 0) {
        for (int n = 0; n < kFloodLinesEach; ++n) {
          for (auto& person : flood) {
            person->Say(Sentence(line, line % 25 == 0));
            ++line;
          }
        }
      }
      if (cycle % 7 == 0) {
        churn.clear();
        for (int i = 0; i < kChurnClients; ++i) {
          churn.push_back(std::make_unique<Person>(port, "churn " + std::to_string(cycle) + "-" + std::to_string(i)));
        }
        QTimer::singleShot(kCycleMs / 2, [&churn] {
          for (auto& person : churn) person->Leave();
        });
      }
    }
    ++second;
  });
  tick.start(1000);
  return QCoreApplication::exec();
}

// The bundled server and the scripted room, started together and stopped
// together to drop the watch's connection.
class Room {
 public:
  explicit Room(const char* self) : self_(QString::fromLocal8Bit(self)) {}
  ~Room() { Stop(); }
  Room(const Room&) = delete;
  Room& operator=(const Room&) = delete;

  bool Start(int cycle) {
    // What the server logs (clients it cuts off) is part of the report.
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(QStringLiteral(KLAXO_TOCD),
                  {"--listen", "127.0.0.1", "--port", QString::number(port_), "--max-per-address", "128"});
    QByteArray output;
    int port = 0;
    const bool listening = QTest::qWaitFor(
        [&] {
          output += server_.readAllStandardOutput();
          const auto found = QRegularExpression("listening on \\S+ port (\\d+)").match(QString::fromUtf8(output));
          if (found.hasMatch()) port = found.captured(1).toInt();
          return port != 0 || server_.state() == QProcess::NotRunning;
        },
        kWaitMs);
    if (!listening || port == 0) return false;
    port_ = port;
    driver_.start(self_, {"--drive", QString::number(port_), QString::number(cycle)});
    return driver_.waitForStarted(kWaitMs);
  }
  void Stop() {
    for (QProcess* process : {&driver_, &server_}) {
      process->kill();
      process->waitForFinished();
    }
  }
  [[nodiscard]] int Port() const { return port_; }

 private:
  QString self_;
  QProcess server_;
  QProcess driver_;
  int port_ = 0;
};

struct Memory {
  double rssMiB = 0;
  double privateMiB = 0;
  double heapMiB = 0;
};

double KbField(const QByteArray& text, const QByteArray& field) {
  double kb = 0;
  for (const QByteArray& line : text.split('\n')) {
    if (line.startsWith(field)) kb += line.mid(field.size()).trimmed().split(' ')[0].toDouble();
  }
  return kb / 1024;
}

Memory Measure() {
  Memory memory;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly)) memory.rssMiB = KbField(status.readAll(), "VmRSS:");
  QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
  if (rollup.open(QIODevice::ReadOnly)) {
    const QByteArray text = rollup.readAll();
    memory.privateMiB = KbField(text, "Private_Clean:") + KbField(text, "Private_Dirty:");
  }
  const struct mallinfo2 heap = mallinfo2();
  memory.heapMiB = static_cast<double>(heap.uordblks + heap.hblkhd) / (1 << 20);
  return memory;
}

qint64 RunSeconds() {
  const QByteArray seconds = qgetenv("KLAXO_LONG_WATCH_SECONDS");
  return seconds.isEmpty() ? 360 : std::max(60LL, seconds.toLongLong());
}

void BM_LongWatch(benchmark::State& state, const char* self) {
  const qint64 runMs = RunSeconds() * 1000;
  const qint64 dropEveryMs = std::min(kDropEveryMs, runMs / 3);
  for (auto _ : state) {
    Room room(self);
    int cycle = 0;
    if (!room.Start(cycle)) {
      state.SkipWithError("klaxo-tocd did not start");
      return;
    }
    KlaxoOptions options;
    options.reconnect = true;
    options.delivery.notify = true;
    options.delivery.sound = DeliverySettings::Sound::Theme;
    options.delivery.trayMarksUnseen = true;
    options.delivery.command = QStringLiteral("/bin/true");
    options.delivery.logRoom = true;
    Klaxo window(std::make_unique<QtTocSocket>(), std::make_unique<MessageBoxAlerts>(),
                 ServerAddress{"127.0.0.1", room.Port()}, std::move(options));
    window.show();
    // The alert boxes are answered with OK, as a user would, a moment after they open.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->accept();
    });
    answer.start(50);
    window.txtSn->setText(QStringLiteral("watcher"));
    window.txtPw->setText(QStringLiteral("pw"));
    window.cmdSignon->click();
    window.lstNotify->addItem(QStringLiteral("kiwi"));
    if (!QTest::qWaitFor([&] { return window.lblStat->text().startsWith(QStringLiteral("Logged on")); }, kWaitMs)) {
      state.SkipWithError("the watch did not sign on");
      return;
    }
    window.txtCr->setText(QString::fromStdString(kRoom));
    window.cmdJoin->click();
    if (!QTest::qWaitFor([&] { return window.InChat; }, kWaitMs)) {
      state.SkipWithError("the watch did not join");
      return;
    }
    window.chkConsole->setChecked(true);

    QElapsedTimer clock;
    clock.start();
    qint64 nextDrop = dropEveryMs;
    int drops = 0;
    std::optional<Memory> first;
    Memory last;
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    // Compared at the ends of sessions whose transcript is full, so that
    // neither its filling nor the room's phase is taken for growth.
    const auto sessionEnds = [&] {
      if (window.console->txtChatBox->document()->blockCount() < 9000) return;
      last = Measure();
      lastMs = clock.elapsed();
      if (!first) {
        first = last;
        firstMs = lastMs;
      }
    };
    while (clock.elapsed() < runMs) {
      QTest::qWait(kCycleMs);
      ++cycle;
      if (cycle % (60000 / kCycleMs) == 0) {
        const Memory now = Measure();
        std::fprintf(stderr, "%5.1f min: %6.1f MiB resident, %6.1f MiB private, %6.1f MiB heap in use, %5d lines\n",
                     static_cast<double>(clock.elapsed()) / 60000, now.rssMiB, now.privateMiB, now.heapMiB,
                     window.console->txtChatBox->document()->blockCount());
      }
      if (clock.elapsed() >= nextDrop && clock.elapsed() < runMs) {
        sessionEnds();
        nextDrop += dropEveryMs;
        ++drops;
        room.Stop();
        if (!room.Start(cycle)) {
          state.SkipWithError("klaxo-tocd did not start again");
          return;
        }
      }
    }
    sessionEnds();
    if (!first || lastMs == firstMs) {
      state.SkipWithError("too few sessions filled the transcript to compare");
      return;
    }
    const double hours = static_cast<double>(lastMs - firstMs) / 3.6e6;
    state.counters["rss_start_MiB"] = first->rssMiB;
    state.counters["rss_end_MiB"] = last.rssMiB;
    state.counters["private_start_MiB"] = first->privateMiB;
    state.counters["private_end_MiB"] = last.privateMiB;
    state.counters["heap_start_MiB"] = first->heapMiB;
    state.counters["heap_end_MiB"] = last.heapMiB;
    // What glibc keeps of freed memory, given back: resident memory then
    // tells a leak from the heap's own slack.
    malloc_trim(0);
    state.counters["rss_end_trimmed_MiB"] = Measure().rssMiB;
    state.counters["rss_growth_MiB_per_hour"] = (last.rssMiB - first->rssMiB) / hours;
    state.counters["heap_growth_MiB_per_hour"] = (last.heapMiB - first->heapMiB) / hours;
    state.counters["drops"] = drops;
    state.counters["minutes"] = static_cast<double>(clock.elapsed()) / 60000;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--drive") {
    QCoreApplication app(argc, argv);
    return Drive(std::atoi(argv[2]), std::atoi(argv[3]));
  }
  QApplication app(argc, argv);
  benchmark::RegisterBenchmark("BM_LongWatch", BM_LongWatch, argv[0])->Iterations(1)->Unit(benchmark::kSecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
