// Every way of ending goes the way of the frame's close box: the File menu, the termination
// signals, the session manager's logout, and closing with a settings store that cannot be
// written.

#include <QEvent>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "platform/runtime/CloseRequests.h"
#include "shell/RunningProgramTest.h"

namespace {

using running_test::Stored;
using Ending = running_test::RunningProgram;

TEST_F(Ending, EveryWayOfEndingStoresThePlacementUnlessMinimizedAndEndsWithStatus0) {
    const auto signal = [](int number) {
        return [number] {
            std::raise(number);
            EXPECT_EQ(RunEventLoop(), 0);
        };
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Exit", [this] { running->mnuFileExit.Click(); }},
        {"close box", [this] { running->MdiArea()->window()->close(); }},
        {"SIGTERM", signal(SIGTERM)},
        {"SIGINT", signal(SIGINT)},
        {"SIGHUP", signal(SIGHUP)},
        // At logout the session manager's "die" message reaches the program as this event.
        {"logout",
         [] {
             QTimer::singleShot(0, [] {
                 QEvent quit(QEvent::Quit);
                 QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
             });
             EXPECT_EQ(RunEventLoop(), 0);
         }},
    };
    float left = 1500;
    for (const auto& [name, end] : ways) {
        for (const bool minimized : {false, true}) {
            SCOPED_TRACE(std::string(name) + (minimized ? ", minimized" : ""));
            testing_support::ClearSettings();
            ends.clear();
            Start().Move(left += 300, 1500, 8100, 5400);
            if (minimized) {
                running->SetWindowState(frmMain::Minimized);
            }
            platform::CloseRequests requests;
            requests.Act();
            end();
            EXPECT_EQ(ends, std::vector<int>{0});
            EXPECT_FALSE(Shown());
            // Closed minimized, nothing is stored, and the program still ends.
            const QStringList stored = {Stored("MainLeft"), Stored("MainTop"), Stored("MainWidth"),
                                        Stored("MainHeight")};
            const QStringList placed = {QString::number(left), "1500", "8100", "5400"};
            EXPECT_EQ(stored, minimized ? QStringList(4, "<absent>") : placed);
            running.reset();
        }
    }
}

TEST_F(Ending, ASignalCaughtDuringStartUpIsActedOnOnceTheEventLoopRuns) {
    platform::CloseRequests requests;
    std::raise(SIGTERM);
    Start().Move(2400, 1500, 8100, 5400);
    requests.Act();
    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_EQ(ends, std::vector<int>{0});
    EXPECT_EQ(Stored("MainLeft"), "2400");
}

TEST_F(Ending, ASignalIgnoredAtStartStaysIgnoredAndTheOldHandlingComesBackAfterwards) {
    const auto before = std::signal(SIGHUP, SIG_IGN);
    {
        Start();
        platform::CloseRequests requests;
        requests.Act();
        std::raise(SIGHUP);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(ends.empty());
        EXPECT_TRUE(Shown());
    }
    EXPECT_EQ(std::signal(SIGHUP, before), SIG_IGN);
    { platform::CloseRequests requests; }
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the signal ends the process again";
}

TEST_F(Ending, AStoreThatCannotBeWrittenIsReportedWithTheReasonAndTheProgramEndsWithStatus1) {
    // A settings folder inside a regular file: nobody, root included, can make it.
    const QString file = QString::fromStdString(testing_support::MakeTempFolder()) + "/file";
    QFile(file).open(QIODevice::WriteOnly);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, file + "/config");
    Start().mnuFileExit.Click();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       qEnvironmentVariable("XDG_CONFIG_HOME"));

    EXPECT_EQ(ends, std::vector<int>{1});
    EXPECT_FALSE(Shown());
    const auto reports = testing_support::TakeReportedFailures();
    ASSERT_EQ(reports.size(), 1u);
    const std::string path = file.toStdString() + "/config/Vornal3/Vornal3.ini";
    EXPECT_NE(reports[0].find(path + ": " + std::strerror(ENOTDIR)), std::string::npos)
        << reports[0];
}

}  // namespace
