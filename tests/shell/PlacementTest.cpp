// Where the main frame opens, and what closing it stores.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QSettings>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "platform/forms/Twips.h"
#include "platform/runtime/AppInfo.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Vornal3", "Vornal3");
}

void Stored(const std::map<QString, QString>& values) {
    QSettings store = Store();
    store.clear();
    for (const auto& [key, text] : values) {
        store.setValue("Settings/" + key, text);
    }
    store.sync();
}

// Writes the settings file by hand, as another program or a damaged disk might leave it.
void StoredRaw(const QByteArray& text) {
    const QString path = Store().fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString Read(const char* key) {
    QSettings store = Store();
    return store.value(QString("Settings/") + key, "<absent>").toString();
}

// The pixel a twips value lands on, as the frame shows it.
int Px(float twips) {
    return platform::TwipsToPixelsX(twips);
}

class Placement : public ::testing::Test {
  protected:
    void SetUp() override {
        Stored({});
        platform::App::SetEndForTesting([this](int status) { ends.push_back(status); });
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        running.reset();
        platform::App::SetEndForTesting({});
        testing_support::Settle();
    }

    // Starts the program as the executable does, up to the event loop.
    frmMain& Start() {
        running = Module1::Main();
        return *running;
    }

    static QRect Outer(frmMain& frame) { return frame.MdiArea()->window()->frameGeometry(); }

    std::unique_ptr<frmMain> running;
    std::vector<int> ends;  // the exit status of every ending
};

TEST_F(Placement, FirstRunOpensAtTheDefaultPlacement) {
    frmMain& frame = Start();
    EXPECT_EQ(Outer(frame), QRect(Px(1000), Px(1000), Px(6500), Px(6500)));
    EXPECT_TRUE(frame.MdiArea()->window()->isVisible());
    EXPECT_TRUE(frame.ChildForms().empty()) << "start-up opens no capture window";
}

TEST_F(Placement, StoredValuesAreAppliedUnchangedFractionsAndFarOffScreenIncluded) {
    Stored({{"MainLeft", "1234.5"},
            {"MainTop", "-20000"},
            {"MainWidth", "9000"},
            {"MainHeight", "4500"}});
    frmMain& frame = Start();
    EXPECT_EQ(Outer(frame), QRect(Px(1234.5f), Px(-20000), Px(9000), Px(4500)));
    EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
}

TEST_F(Placement, ExitAndCloseBoxBothStoreThePlacementWhichTheNextStartUses) {
    frmMain& frame = Start();
    frame.Move(2250, 1800, 8100, 5400);
    const QRect before = Outer(frame);
    frame.mnuFileExit.Click();
    EXPECT_EQ(ends, std::vector<int>{0});
    EXPECT_EQ(Read("MainLeft"), "2250");
    EXPECT_EQ(Read("MainHeight"), "5400");
    running.reset();
    frmMain& again = Start();
    EXPECT_EQ(Outer(again), before);

    again.Move(3000, 1500, 9000, 7500);
    again.MdiArea()->window()->close();
    EXPECT_EQ(ends, (std::vector<int>{0, 0}));
    EXPECT_EQ(Read("MainLeft"), "3000");
    EXPECT_EQ(Read("MainTop"), "1500");
    EXPECT_EQ(Read("MainWidth"), "9000");
    EXPECT_EQ(Read("MainHeight"), "7500");
}

TEST_F(Placement, ClosingMinimizedWritesNothing) {
    Stored({{"MainLeft", "1500"}});
    frmMain& frame = Start();
    frame.SetWindowState(frmMain::Minimized);
    frame.mnuFileExit.Click();
    EXPECT_EQ(ends, std::vector<int>{0});
    EXPECT_EQ(Read("MainLeft"), "1500");
    EXPECT_EQ(Read("MainTop"), "<absent>");
}

TEST_F(Placement, ClosingMaximizedStoresTheMaximizedGeometryAndReopensNormal) {
    frmMain& frame = Start();
    frame.SetWindowState(frmMain::Maximized);
    testing_support::Settle();
    const QRect maximized = Outer(frame);
    frame.mnuFileExit.Click();
    EXPECT_EQ(Read("MainWidth").toInt(), static_cast<int>(maximized.width() * 15));
    EXPECT_EQ(Read("MainLeft").toInt(), static_cast<int>(maximized.x() * 15));

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
        EXPECT_TRUE(frame.MdiArea()->window()->isVisible());
    }
}

TEST_F(Placement, AValueThatIsNoNumberIsReportedAndTheFrameStillOpens) {
    for (const char* bad : {"not a number", "1200, 5", "", "@Invalid()", "@Rect(1 2 3 4)"}) {
        StoredRaw(QByteArray("[Settings]\nMainLeft=3000\nMainTop=") + bad + "\nMainWidth=9000\n");
        frmMain& frame = Start();
        const auto failures = testing_support::TakeReportedFailures();
        ASSERT_EQ(failures.size(), 1u) << bad;
        EXPECT_NE(failures[0].find("MainTop"), std::string::npos) << failures[0];
        EXPECT_TRUE(frame.MdiArea()->window()->isVisible());
        // MainLeft came before the bad value and stays; MainWidth came after and was not read.
        EXPECT_EQ(Outer(frame).x(), Px(3000)) << bad;
        EXPECT_NE(Outer(frame).width(), Px(9000)) << bad;
        running.reset();
    }
}

}  // namespace
