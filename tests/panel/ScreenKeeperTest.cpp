#include "panel/ScreenKeeper.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"

namespace dravel {
namespace {

const TScreenArea Laptop{QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 770)};
const TScreenArea External{QRect(1280, 0, 1920, 1080), QRect(1280, 0, 1920, 1080)};

TEST(ReachablePosition, AWindowShowingEnoughOnSomeScreenStays) {
  EXPECT_EQ(ReachablePosition(QRect(100, 100, 134, 158), {Laptop}), std::nullopt);
  // 32 by 16 pixels left on the screen are enough, at any corner.
  EXPECT_EQ(ReachablePosition(QRect(1248, 784, 134, 158), {Laptop}), std::nullopt);
  EXPECT_EQ(ReachablePosition(QRect(-102, -142, 134, 158), {Laptop}), std::nullopt);
  // On the second screen of two.
  EXPECT_EQ(ReachablePosition(QRect(3000, 500, 134, 158), {Laptop, External}), std::nullopt);
}

TEST(ReachablePosition, LessThanThatOnEveryScreenMovesItWhollyOntoTheNearest) {
  // The external monitor was unplugged: the stored X of 3000 lands right of the laptop.
  EXPECT_EQ(ReachablePosition(QRect(3000, 500, 134, 158), {Laptop}), QPoint(1280 - 134, 500));
  // 31 pixels wide on the screen is not enough; the move keeps the other axis.
  EXPECT_EQ(ReachablePosition(QRect(1249, 300, 134, 158), {Laptop}), QPoint(1146, 300));
  // 15 pixels high is not enough either; the docks are left free.
  EXPECT_EQ(ReachablePosition(QRect(200, 785, 134, 158), {Laptop}), QPoint(200, 770 - 158));
  // Above and left of everything.
  EXPECT_EQ(ReachablePosition(QRect(-500, -500, 134, 158), {Laptop, External}), QPoint(0, 0));
  // Nearest: below the external monitor, not the laptop.
  EXPECT_EQ(ReachablePosition(QRect(2500, 1200, 134, 158), {Laptop, External}),
            QPoint(2500, 1080 - 158));
}

TEST(ReachablePosition, ASmallWindowMustShowWholeAndABigOneStartsAtTheCorner) {
  // The 2 by 2 window of an empty format text.
  EXPECT_EQ(ReachablePosition(QRect(1279, 10, 2, 2), {Laptop}), QPoint(1278, 10));
  EXPECT_EQ(ReachablePosition(QRect(1278, 10, 2, 2), {Laptop}), std::nullopt);
  // Wider than the screen: it goes to the screen's left edge.
  EXPECT_EQ(ReachablePosition(QRect(5000, 10, 2000, 100), {Laptop}), QPoint(0, 10));
}

TEST(ReachablePosition, NoScreenAtAllLeavesTheWindowAlone) {
  EXPECT_EQ(ReachablePosition(QRect(3000, 3000, 10, 10), {}), std::nullopt);
}

using ScreenKeeperTest = testing::PanelTest;

TEST_F(ScreenKeeperTest, AWindowOffEveryScreenIsBroughtBackAtOnce) {
  QWidget Window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
  Window.setGeometry(5000, 4000, 134, 158);
  new TScreenKeeper(Window);
  const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(Screen.contains(Window.frameGeometry())) << Window.x() << "," << Window.y();
  // A move of the user's own that leaves enough on the screen is kept.
  Window.move(Screen.right() - 40, Screen.top() + 10);
  emit QGuiApplication::primaryScreen()->geometryChanged(Screen);
  QCoreApplication::processEvents();
  EXPECT_EQ(Window.pos(), QPoint(Screen.right() - 40, Screen.top() + 10));
  // Off again, then the screens change: back on.
  Window.move(Screen.right() + 500, Screen.top() + 10);
  emit QGuiApplication::primaryScreen()->geometryChanged(Screen);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Screen.contains(Window.frameGeometry())) << Window.x() << "," << Window.y();
}

TEST_F(ScreenKeeperTest, APanelStoredOffScreenOpensOnIt) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteInteger("X", 3000);
    Seed->WriteInteger("Y", 25);
  }
  auto Panel = Start();
  const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(Screen.contains(Panel->frameGeometry())) << Panel->x() << "," << Panel->y();
  EXPECT_EQ(Panel->y(), 25);
  Panel->Exit1Click();
  // The position it was brought to is what is stored.
  EXPECT_EQ(Store()->ReadInteger("X"), Panel->x());
}

}  // namespace
}  // namespace dravel
