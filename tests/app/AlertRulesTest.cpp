// The alert's pure rules: word options and the sender filter, the words
// file with options, the delivery settings and command-line options, and
// the room log's names and lines.
#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QSettings>
#include <QTemporaryDir>

#include "ChosenSettings.h"
#include "DeliveryOptions.h"
#include "DeliverySettings.h"
#include "RoomLog.h"
#include "WordMatcher.h"
#include "WordsFile.h"

namespace {

std::string Print(const QString& text) { return text.toStdString(); }

WordRule Rule(const QString& line) {
  QString error;
  const auto rule = ParseRuleLine(line, error);
  EXPECT_TRUE(rule) << line.toStdString() << ": " << error.toStdString();
  return rule.value_or(WordRule{});
}

}  // namespace

TEST(WordMatcher, MatchesEachWordByItsOptions) {
  const struct {
    const char16_t* line;
    const char16_t* sender;
    const char16_t* text;
    bool alerts;
  } cases[] = {
      {u"cat", u"bob", u"concatenate", true},
      {u"cat", u"bob", u"Cat", false},
      {u"cat", u"cat", u"dog", false},
      {u"", u"bob", u"x", true},
      {u"", u"bob", u"", false},
      {u"(nocase) cat", u"bob", u"CAT!", true},
      {u"(whole) cat", u"bob", u"concatenate", false},
      {u"(whole) cat", u"bob", u"the cat.", true},
      {u"(whole) cat", u"bob", u"cat_x", false},
      {u"(whole) café", u"bob", u"un café.", true},
      {u"(whole) a.b", u"bob", u"axb", false},
      {u"(whole nocase) café", u"bob", u"CAFÉS", false},
      {u"(whole nocase) café", u"bob", u"CAFÉ", true},
      {u"(regex) ^ale?rt\\d+$", u"bob", u"alrt42", true},
      {u"(regex) ^ale?rt\\d+$", u"bob", u"alrt42x", false},
      {u"(regex whole nocase) b.g", u"bob", u"BIG deal", true},
      {u"(regex whole nocase) b.g", u"bob", u"bigger", false},
      {u"(sender) bob", u"bobby", u"hi", true},
      {u"(sender) bob", u"al", u"bob", false},
      {u"(sender nocase whole) bob", u"Bob", u"hi", true},
      {u"(both) bob", u"al", u"hi bob", true},
      {u"(both) bob", u"bobby", u"hi", true},
  };
  for (const auto& c : cases) {
    const QString line = QString::fromUtf16(c.line);
    const WordMatcher matcher({Rule(line)});
    EXPECT_EQ(matcher.Matches(QString::fromUtf16(c.sender), QString::fromUtf16(c.text), {}).size(), c.alerts ? 1 : 0)
        << line.toStdString() << " / " << QString::fromUtf16(c.text).toStdString();
  }
}

TEST(WordMatcher, KeepsListOrderAndSilencesSendersByTheirNormalizedName) {
  const QList<WordRule> rules{Rule("(both) bob"), Rule("dog"), Rule("(nocase) BOB")};
  const WordMatcher matcher(rules, SenderFilter{{"Quiet Bot"}, true});
  EXPECT_EQ(matcher.Matches("bob", "bob and dog", "Me Too"), rules) << "each rule at most once, in list order";
  EXPECT_TRUE(matcher.Matches("quietbot", "bob", "Me Too").isEmpty());
  EXPECT_TRUE(matcher.Matches("ME too", "bob", "Me Too").isEmpty()) << "the user's own line";
  EXPECT_EQ(WordMatcher(rules, SenderFilter{{}, false}).Matches("metoo", "dog", "Me Too").size(), 1);
}

TEST(WordMatcher, WritesRulesAsLinesAndRefusesBadOnesWithTheirReason) {
  for (const WordRule& rule : {WordRule{"cat"}, WordRule{"ca(t", true, true, false, WordRule::Target::Both},
                               WordRule{"a b+", false, false, true, WordRule::Target::Sender}}) {
    QString error;
    EXPECT_EQ(ParseRuleLine(RuleLine(rule), error), rule) << RuleLine(rule).toStdString();
  }
  EXPECT_EQ(RuleLine(Rule("(regex nocase) x")), "(nocase regex) x");
  EXPECT_EQ(Rule("(nocase)  c a t").word, "cat") << "a word loses its spaces as in the word box";
  QString error;
  EXPECT_FALSE(ParseRuleLine("(loud) cat", error));
  EXPECT_TRUE(error.contains("\"loud\"")) << error.toStdString();
  EXPECT_FALSE(ParseRuleLine("(regex) ab(c", error));
  const QString plainError = error;
  EXPECT_TRUE(error.contains("at character 5")) << error.toStdString();
  EXPECT_FALSE(ParseRuleLine("(regex whole) ab(c", error));
  EXPECT_EQ(Print(error), Print(plainError)) << "the place is told in the user's pattern";
}

TEST(WordsFile, ReadsOptionsRoundTripsAndReportsBadLinesByNumber) {
  QList<WordsFileProblem> problems;
  const QByteArray file = "cat\r\n(nocase whole) dog\n(regex) a(b\n\n(bogus) x\n(regex sender) a b\n(empty word)\n";
  const QList<WordRule> rules = ParseWordRules(file, problems);
  EXPECT_EQ(rules, (QList<WordRule>{WordRule{"cat"}, Rule("(nocase whole) dog"), Rule("(regex sender) a b"), {}}));
  ASSERT_EQ(problems.size(), 2);
  EXPECT_EQ(problems[0].line, 3);
  EXPECT_EQ(problems[1].line, 5);
  EXPECT_EQ(SerializeWordRules(rules), "cat\n(nocase whole) dog\n(regex sender) a b\n(empty word)\n");
}

TEST(DeliverySettings, ReadsDefaultsForWhatIsMissingOrBrokenAndRoundTrips) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath("klaxo.conf"), QSettings::IniFormat);
  EXPECT_EQ(ReadDeliverySettings(settings), DeliverySettings{}) << "no settings: the alert box only";
  const DeliverySettings chosen = ChosenSettings();
  WriteDeliverySettings(settings, chosen);
  EXPECT_EQ(ReadDeliverySettings(settings), chosen);

  const struct {
    QVariant sound, seconds, box;
    DeliverySettings::Sound readSound;
    int readSeconds;
    bool readBox;
  } cases[] = {
      {"loud", 0, "maybe", DeliverySettings::Sound::None, 1, true},
      {"theme", 99999, "false", DeliverySettings::Sound::Theme, DeliverySettings::kMaxCommandSeconds, false},
      {"file", "soon", QVariant(), DeliverySettings::Sound::File, 30, true},
  };
  for (const auto& c : cases) {
    settings.setValue("delivery/sound", c.sound);
    settings.setValue("delivery/commandSeconds", c.seconds);
    settings.setValue("delivery/alertBox", c.box);
    const DeliverySettings read = ReadDeliverySettings(settings);
    EXPECT_EQ(read.sound, c.readSound) << c.sound.toString().toStdString();
    EXPECT_EQ(read.commandSeconds, c.readSeconds) << c.seconds.toString().toStdString();
    EXPECT_EQ(read.alertBox, c.readBox) << c.box.toString().toStdString();
  }
}

TEST(DeliveryOptions, OverridesTheSettingsForOneRunOrSaysWhatIsWrong) {
  const struct {
    QStringList args;
    const char* error;
    bool box, notify;
    DeliverySettings::Sound sound;
    const char* command;
  } cases[] = {
      {{}, nullptr, true, false, DeliverySettings::Sound::None, "/kept"},
      {{"--notify", "--no-box", "--sound"}, nullptr, false, true, DeliverySettings::Sound::Theme, "/kept"},
      {{"--run", "sh"}, nullptr, true, false, DeliverySettings::Sound::None, "/usr/bin/sh"},
      {{"--run", "/bin/sh"}, nullptr, true, false, DeliverySettings::Sound::None, "/bin/sh"},
      {{"--notify", "--run", "no-such-program-here"},
       "\"no-such-program-here\" is none",
       true,
       false,
       DeliverySettings::Sound::None,
       "/kept"},
      {{"--run", "/etc/passwd"}, "\"/etc/passwd\" is none", true, false, DeliverySettings::Sound::None, "/kept"},
      {{"--run="}, "--run wants a program", true, false, DeliverySettings::Sound::None, "/kept"},
  };
  for (const auto& c : cases) {
    QCommandLineParser parser;
    parser.addOptions(DeliveryCommandLineOptions());
    ASSERT_TRUE(parser.parse(QStringList{"klaxo"} + c.args)) << parser.errorText().toStdString();
    DeliverySettings delivery;
    delivery.command = "/kept";
    const auto error = ApplyDeliveryOptions(parser, delivery);
    const std::string name = c.args.join(' ').toStdString();
    EXPECT_EQ(error.has_value(), c.error != nullptr) << name;
    if (error && c.error) {
      EXPECT_TRUE(error->contains(c.error)) << error->toStdString();
    }
    EXPECT_EQ(delivery.alertBox, c.box) << name;
    EXPECT_EQ(delivery.notify, c.notify) << name;
    EXPECT_EQ(delivery.sound, c.sound) << name;
    EXPECT_EQ(delivery.command, c.command) << name;
  }
}

TEST(RoomLog, NamesADayFileNoRoomCanLeaveAndWritesOneLinePerMessage) {
  const QDate day(2026, 12, 8);
  EXPECT_EQ(Print(LogFileName("../../.ssh/x", day)), "_______ssh_x-2026-12-08.log");
  EXPECT_EQ(Print(LogFileName("", day)), "room-2026-12-08.log");
  EXPECT_EQ(LogFileName(QString(300, u'é'), day).size(), 100 + 15);
  const QString line = LogLine(QTime(23, 59, 59), "bo\nb", "hi\r\n<b>there</b>");
  EXPECT_TRUE(line.startsWith("[23:59:59] <bo")) << line.toStdString();
  EXPECT_TRUE(line.endsWith("<b>there</b>\n")) << line.toStdString();
  EXPECT_EQ(line.count('\n'), 1) << "a line break in the text cannot start a line of its own";
}
