// The tray icon on a real X display with a real system tray: tools/test.sh
// starts Xvfb with trayer and names the display in KLAXO_TRAY_DISPLAY. Without
// it these tests are skipped, saying so.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "WindowFixture.h"
#include "mdlTray.h"

namespace {

constexpr int kWaitMs = 10000;

// The icon's window once the tray has docked it: the tray reparents it into
// its panel, so it no longer stands where it would as a window of its own.
QWidget* DockedIcon() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->inherits("QSystemTrayIconSys") && widget->isVisible() &&
        widget->mapToGlobal(QPoint(0, 0)) != widget->geometry().topLeft()) {
      return widget;
    }
  }
  return nullptr;
}

class TrayTest : public WindowTest {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("KLAXO_TRAY_DISPLAY")) {
      GTEST_SKIP() << "no tray display: tools/test.sh runs these under Xvfb with trayer";
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs))
        << "the tray on " << qgetenv("KLAXO_TRAY_DISPLAY").toStdString() << " never appeared";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  // Sends the window to the tray and waits until the tray has taken the icon.
  void SendToTray() {
    window->mnuTray->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return DockedIcon() != nullptr; }, kWaitMs)) << "the tray took no icon";
  }

  QSystemTrayIcon* Icon() const { return window->findChild<QSystemTrayIcon*>(); }
};

}  // namespace

TEST_F(TrayTest, SendToTrayHidesTheWindowAndShowsTheIconWithItsTipThatCountsUnseenAlertsWhenChosen) {
  SignOnAndJoin();
  AddWord(QStringLiteral("cat"));
  SendToTray();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->isMinimized());
  EXPECT_TRUE(mdlTray::TrayIconShown());
  ASSERT_NE(Icon(), nullptr);
  EXPECT_EQ(Icon()->toolTip(), QStringLiteral("Klaxo©"));
  EXPECT_FALSE(Icon()->icon().isNull());

  Say("bob", "cat");
  EXPECT_EQ(Icon()->toolTip(), QStringLiteral("Klaxo©")) << "unmarked unless chosen";
  DeliverySettings marking = window->Delivery();
  marking.trayMarksUnseen = true;
  window->ApplyDelivery(marking);
  Say("bob", "cat");
  Say("bob", "a cat");
  EXPECT_EQ(Icon()->toolTip(), QStringLiteral("Klaxo© - 2 unseen alerts"));
  window->mnuShow->trigger();
  EXPECT_EQ(window->UnseenAlerts(), 0);
}

TEST_F(TrayTest, DoubleClickOnTheIconRestoresTheWindowAndRemovesTheIcon) {
  window->showMaximized();
  SendToTray();
  QTest::mouseClick(DockedIcon(), Qt::LeftButton);
  EXPECT_FALSE(window->isVisible()) << "a single click does nothing";
  QTest::mouseDClick(DockedIcon(), Qt::LeftButton);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(window->isMaximized());
  EXPECT_FALSE(mdlTray::TrayIconShown());
  EXPECT_TRUE(QTest::qWaitFor([] { return DockedIcon() == nullptr; }, kWaitMs)) << "the icon left the tray";
}

TEST_F(TrayTest, RightClickOpensTheMenuAndShowRestores) {
  SendToTray();
  QTest::mouseClick(DockedIcon(), Qt::RightButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->mnuForm->isVisible(); }, kWaitMs));
  window->mnuForm->hide();
  window->mnuShow->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(mdlTray::TrayIconShown());
  EXPECT_TRUE(QTest::qWaitFor([] { return DockedIcon() == nullptr; }, kWaitMs));
}

TEST_F(TrayTest, ExitFromTheTrayMenuEndsTheProgramWithoutSigningOff) {
  SignOn();
  SendToTray();
  const int closes = sock->closeCount;
  QTimer::singleShot(0, window->mnuExit2, &QAction::trigger);
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
  guard.start(kWaitMs);
  EXPECT_EQ(QApplication::exec(), 0) << "the program did not end";
  EXPECT_FALSE(mdlTray::TrayIconShown());
  EXPECT_EQ(sock->closeCount, closes) << "no sign-off";
  EXPECT_NE(window->lblStat->text(), QStringLiteral("Logged off"));
}

TEST_F(TrayTest, StartingInTheTraySendsTheWindowThereAtOnce) {
  KlaxoOptions options;
  options.startInTray = true;
  window = std::make_unique<Klaxo>(std::make_unique<FakeSocket>(), std::make_unique<RecordingAlerts>(), ServerAddress(),
                                   std::move(options));
  window->StartWatch();
  ASSERT_TRUE(QTest::qWaitFor([] { return DockedIcon() != nullptr; }, kWaitMs)) << "the tray took no icon";
  EXPECT_FALSE(window->isVisible());
  QTest::mouseDClick(DockedIcon(), Qt::LeftButton);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
}
