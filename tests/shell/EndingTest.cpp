// Requests to end the program from outside it take the way of the frame's close box: the
// termination signals and the session manager's logout.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QSettings>
#include <QTimer>
#include <csignal>
#include <memory>

#include "platform/runtime/AppInfo.h"
#include "platform/runtime/CloseRequests.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

QString Stored(const char* key) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vornal3", "Vornal3");
    return store.value(QString("Settings/") + key, "<absent>").toString();
}

class Ending : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::ClearSettings();
        platform::App::SetEndForTesting([this] { ++ends; });
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        running.reset();
        platform::App::SetEndForTesting({});
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    frmMain& Start(float left) {
        running = Module1::Main();
        running->Move(left, 1500, 8100, 5400);
        return *running;
    }

    // Runs the event loop as the program does, until something asks it to quit; a loop still
    // running after a few seconds ends with 2 instead.
    static int RunEventLoop() {
        QTimer bound;
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        bound.start(5000);
        return QCoreApplication::exec();
    }

    std::unique_ptr<frmMain> running;
    int ends = 0;
};

TEST_F(Ending, TerminationSignalsCloseTheFrameAsItsCloseBoxDoes) {
    float left = 1500;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ends = 0;
        frmMain& frame = Start(left += 300);
        platform::CloseRequests requests;
        requests.Act();
        std::raise(signal);
        EXPECT_EQ(RunEventLoop(), 0) << signal;
        EXPECT_EQ(ends, 1) << signal;
        EXPECT_FALSE(frame.MdiArea()->window()->isVisible());
        EXPECT_EQ(Stored("MainLeft"), QString::number(left)) << signal;
        EXPECT_EQ(Stored("MainTop"), "1500");
        EXPECT_EQ(Stored("MainWidth"), "8100");
        EXPECT_EQ(Stored("MainHeight"), "5400");
        running.reset();
    }

    // Closed minimized, as by the close box: nothing is stored, and the program still ends.
    ends = 0;
    Start(4000).SetWindowState(frmMain::Minimized);
    platform::CloseRequests requests;
    requests.Act();
    std::raise(SIGTERM);
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, 1);
    EXPECT_NE(Stored("MainLeft"), "4000");
}

TEST_F(Ending, ASignalCaughtDuringStartUpIsActedOnOnceTheEventLoopRuns) {
    platform::CloseRequests requests;
    std::raise(SIGTERM);
    Start(2400);
    requests.Act();
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(Stored("MainLeft"), "2400");
}

TEST_F(Ending, ASignalIgnoredAtStartStaysIgnoredAndTheOldHandlingComesBackAfterwards) {
    const auto before = std::signal(SIGHUP, SIG_IGN);
    {
        frmMain& frame = Start(2000);
        platform::CloseRequests requests;
        requests.Act();
        std::raise(SIGHUP);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(ends, 0);
        EXPECT_TRUE(frame.MdiArea()->window()->isVisible());
    }
    EXPECT_EQ(std::signal(SIGHUP, before), SIG_IGN);
    { platform::CloseRequests requests; }
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the signal ends the process again";
}

TEST_F(Ending, TheSessionManagersLogoutClosesTheFrameAsItsCloseBoxDoes) {
    Start(3300);
    // At logout the session manager's "die" message reaches the program as this event.
    QTimer::singleShot(0, [] {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    });
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(Stored("MainLeft"), "3300");
}

}  // namespace
