// Where the main frame opens, from what closing it stored.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/forms/Twips.h"
#include "shell/RunningProgramTest.h"

namespace {

using running_test::Stored;

// Writes the settings file by hand, as another program or a damaged disk might leave it.
void StoredRaw(const QByteArray& text) {
    const QString path = running_test::Store().fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// The pixel a twips value lands on, as the frame shows it.
int Px(float twips) {
    return platform::TwipsToPixelsX(twips);
}

class Placement : public running_test::RunningProgram {
  protected:
    static QRect Outer(frmMain& frame) { return frame.MdiArea()->window()->frameGeometry(); }
};

TEST_F(Placement, OpensAtTheDefaultOrTheStoredPlacementFractionsAndFarOffScreenIncluded) {
    frmMain& first = Start();
    EXPECT_EQ(Outer(first), QRect(Px(1000), Px(1000), Px(6500), Px(6500)));
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(first.ChildForms().empty()) << "start-up opens no capture window";
    running.reset();

    StoredRaw("[Settings]\nMainLeft=1234.5\nMainTop=-20000\nMainWidth=9000\nMainHeight=4500\n");
    EXPECT_EQ(Outer(Start()), QRect(Px(1234.5f), Px(-20000), Px(9000), Px(4500)));
}

TEST_F(Placement, ClosingMaximizedStoresTheMaximizedGeometryAndReopensNormal) {
    frmMain& frame = Start();
    frame.SetWindowState(frmMain::Maximized);
    testing_support::Settle();
    const QRect maximized = Outer(frame);
    frame.mnuFileExit.Click();
    EXPECT_EQ(Stored("MainWidth").toInt(), static_cast<int>(maximized.width() * 15));
    EXPECT_EQ(Stored("MainLeft").toInt(), static_cast<int>(maximized.x() * 15));

    running.reset();
    frmMain& again = Start();
    EXPECT_EQ(again.WindowState(), frmMain::Normal);
    EXPECT_EQ(Outer(again), maximized);
}

// The keyboard going with it is seen by the end-to-end tests, on a real display.
TEST_F(Placement, BroughtToTheFrontAMinimizedFrameReturnsAsItWasBefore) {
    frmMain& frame = Start();
    for (const int before : {frmMain::Normal, frmMain::Maximized}) {
        frame.SetWindowState(before);
        frame.SetWindowState(frmMain::Minimized);
        testing_support::Settle();
        frame.MdiArea()->window()->hide();
        frame.BringToFront();
        testing_support::Settle();
        EXPECT_EQ(frame.WindowState(), before);
        EXPECT_TRUE(Shown());
    }
}

TEST_F(Placement, AValueThatIsNoNumberIsReportedAndTheFrameStillOpens) {
    for (const char* bad : {"not a number", "1200, 5", "", "@Invalid()", "@Rect(1 2 3 4)"}) {
        StoredRaw(QByteArray("[Settings]\nMainLeft=3000\nMainTop=") + bad + "\nMainWidth=9000\n");
        frmMain& frame = Start();
        const auto failures = testing_support::TakeReportedFailures();
        ASSERT_EQ(failures.size(), 1u) << bad;
        EXPECT_NE(failures[0].find("MainTop"), std::string::npos) << failures[0];
        EXPECT_TRUE(Shown());
        // MainLeft came before the bad value and stays; MainWidth came after and was not read.
        EXPECT_EQ(Outer(frame).x(), Px(3000)) << bad;
        EXPECT_NE(Outer(frame).width(), Px(9000)) << bad;
        running.reset();
    }
}

}  // namespace
