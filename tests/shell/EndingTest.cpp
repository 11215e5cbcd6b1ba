// Every way of ending goes the way of the frame's close box: the termination signals, the
// session manager's logout, and closing with a settings store that cannot be written.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMdiArea>
#include <QSettings>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

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
        platform::App::SetEndForTesting([this](int status) { ends.push_back(status); });
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
    std::vector<int> ends;  // the exit status of every ending
};

TEST_F(Ending, TerminationSignalsCloseTheFrameAsItsCloseBoxDoes) {
    float left = 1500;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ends.clear();
        frmMain& frame = Start(left += 300);
        platform::CloseRequests requests;
        requests.Act();
        std::raise(signal);
        EXPECT_EQ(RunEventLoop(), 0) << signal;
        EXPECT_EQ(ends, std::vector<int>{0}) << signal;
        EXPECT_FALSE(frame.MdiArea()->window()->isVisible());
        EXPECT_EQ(Stored("MainLeft"), QString::number(left)) << signal;
        EXPECT_EQ(Stored("MainTop"), "1500");
        EXPECT_EQ(Stored("MainWidth"), "8100");
        EXPECT_EQ(Stored("MainHeight"), "5400");
        running.reset();
    }

    // Closed minimized, as by the close box: nothing is stored, and the program still ends.
    ends.clear();
    Start(4000).SetWindowState(frmMain::Minimized);
    platform::CloseRequests requests;
    requests.Act();
    std::raise(SIGTERM);
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, std::vector<int>{0});
    EXPECT_NE(Stored("MainLeft"), "4000");
}

TEST_F(Ending, ASignalCaughtDuringStartUpIsActedOnOnceTheEventLoopRuns) {
    platform::CloseRequests requests;
    std::raise(SIGTERM);
    Start(2400);
    requests.Act();
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, std::vector<int>{0});
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
        EXPECT_TRUE(ends.empty());
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
    EXPECT_EQ(ends, std::vector<int>{0});
    EXPECT_EQ(Stored("MainLeft"), "3300");
}

TEST_F(Ending, AStoreThatCannotBeWrittenIsReportedWithTheReasonAndTheProgramEndsWithStatus1) {
    // A settings folder inside a regular file: nobody, root included, can make it.
    const QString file = QString::fromStdString(testing_support::MakeTempFolder()) + "/file";
    QFile(file).open(QIODevice::WriteOnly);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, file + "/config");
    frmMain& frame = Start(2000);
    frame.mnuFileExit.Click();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       qEnvironmentVariable("XDG_CONFIG_HOME"));

    EXPECT_EQ(ends, std::vector<int>{1});
    EXPECT_FALSE(frame.MdiArea()->window()->isVisible());
    const auto reports = testing_support::TakeReportedFailures();
    ASSERT_EQ(reports.size(), 1u);
    const std::string path = file.toStdString() + "/config/Vornal3/Vornal3.ini";
    EXPECT_NE(reports[0].find(path + ": " + std::strerror(ENOTDIR)), std::string::npos)
        << reports[0];
}

}  // namespace
