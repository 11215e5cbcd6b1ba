#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocalSocket>
#include <chrono>
#include <cstring>
#include <future>
#include <string>

#include "platform/runtime/SingleInstance.h"
#include "support/TestSupport.h"

using platform::InstanceName;
using platform::SingleInstance;
using Role = platform::SingleInstance::Role;
using namespace std::chrono_literals;

namespace {

struct LaterOutcome {
    Role role;
    std::string notice;
    int status;
};

class Instances : public ::testing::Test {
  protected:
    // Makes another program's claim on a thread of its own, as another process would, while
    // this one goes on answering; returns what it made of it.
    LaterOutcome LaterStart() {
        auto later = std::async(std::launch::async, [&] {
            const SingleInstance second(folder, "vornal3-x11-:9", nullptr, 5s);
            return LaterOutcome{second.GetRole(), second.Notice(), second.Report()};
        });
        while (later.wait_for(5ms) != std::future_status::ready) {
            QCoreApplication::processEvents();
        }
        return later.get();
    }
    std::string Path(const std::string& suffix = "") const {
        return folder + "/vornal3-x11-:9" + suffix;
    }

    const std::string folder = testing_support::MakeTempFolder();
    int shown = 0;
};

}  // namespace

TEST(InstanceName, EveryNameOfTheSameDisplayGivesOneFileName) {
    for (const char* display : {":0", ":0.0", ":0.1", "unix:0", "unix:0.2"}) {
        EXPECT_EQ(InstanceName("xcb", display, "wayland-0"), "vornal3-x11-:0") << display;
    }
    EXPECT_EQ(InstanceName("xcb", "localhost:10.0", ""), "vornal3-x11-localhost:10");
    EXPECT_NE(InstanceName("xcb", ":1", ""), InstanceName("xcb", ":10", ""));
    EXPECT_EQ(InstanceName("wayland", ":0", "wayland-1"), "vornal3-wayland-wayland-1");
    EXPECT_EQ(InstanceName("wayland-egl", ":0", ""), "vornal3-wayland-wayland-0");
    // A display given as a path stays one name in the runtime folder.
    EXPECT_EQ(InstanceName("wayland", "", "/run/user/7/w 1"), "vornal3-wayland-_run_user_7_w_1");
    EXPECT_EQ(InstanceName("xcb", "/tmp/.X11-unix/X3", ""), "vornal3-x11-_tmp_.X11-unix_X3");
    // Nothing to share: no display named, or a platform without one.
    EXPECT_EQ(InstanceName("xcb", "", "wayland-0"), "");
    EXPECT_EQ(InstanceName("offscreen", ":0", "wayland-0"), "");
}

// A client that speaks nonsense is dropped without showing anything; later starts are still
// answered.
TEST_F(Instances, ALaterStartHasTheFirstShownAndEndsWithStatus0AndNonsenseShowsNothing) {
    SingleInstance first(
        folder, "vornal3-x11-:9", [this] { ++shown; }, 5s);
    ASSERT_EQ(first.GetRole(), Role::First) << first.Notice();
    EXPECT_EQ(first.Notice(), "");
    EXPECT_EQ(first.Report(), -1);
    for (const QByteArray& nonsense : {QByteArray(4096, 'x'), QByteArray("hide\n")}) {
        QLocalSocket client;
        client.connectToServer(QString::fromStdString(Path()));
        ASSERT_TRUE(client.waitForConnected(5000));
        client.write(nonsense);
        client.flush();
        for (int i = 0; i < 500 && client.state() == QLocalSocket::ConnectedState; ++i) {
            QCoreApplication::processEvents();
            client.waitForDisconnected(5);
        }
        EXPECT_EQ(client.state(), QLocalSocket::UnconnectedState) << nonsense.left(8).data();
        EXPECT_EQ(client.readAll(), QByteArray());
    }
    EXPECT_EQ(shown, 0);

    const LaterOutcome second = LaterStart();
    EXPECT_EQ(second.role, Role::Shown);
    EXPECT_EQ(second.notice,
              "Vornal3 already runs on display vornal3-x11-:9; its window is brought "
              "to the front");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(LaterStart().role, Role::Shown);
    EXPECT_EQ(shown, 2);
}

TEST_F(Instances, AProgramThatDiedLeavesNothingThatStopsTheNextStart) {
    // What a killed program leaves: its lock file, and its socket, with nobody listening.
    close(open(Path(".lock").c_str(), O_RDWR | O_CREAT, 0600));
    const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path().c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(dead, 1), 0);
    close(dead);

    {
        SingleInstance first(
            folder, "vornal3-x11-:9", [this] { ++shown; }, 5s);
        ASSERT_EQ(first.GetRole(), Role::First) << first.Notice();
        EXPECT_EQ(LaterStart().role, Role::Shown);
        EXPECT_EQ(shown, 1);
    }
    // A program that ended frees the display at once.
    const SingleInstance next(folder, "vornal3-x11-:9", nullptr, 5s);
    EXPECT_EQ(next.GetRole(), Role::First) << next.Notice();
}

TEST_F(Instances, AHolderThatDoesNotAnswerEndsTheLaterStartWithStatus1AfterItsPatience) {
    // The lock is held by a program that never listens (hung while starting).
    const int held = open(Path(".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    const auto start = std::chrono::steady_clock::now();
    const SingleInstance later(folder, "vornal3-x11-:9", nullptr, 300ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(later.GetRole(), Role::NoAnswer);
    EXPECT_EQ(later.Notice(),
              "Vornal3 already runs on display vornal3-x11-:9 but does "
              "not answer on " +
                  Path());
    EXPECT_EQ(later.Report(), 1);
    close(held);
}

TEST_F(Instances, AFolderWhereNoLockCanBeMadeLetsTheProgramRunAndSaysWhy) {
    const SingleInstance alone(folder + "/missing", "vornal3-x11-:9", nullptr, 5s);
    EXPECT_EQ(alone.GetRole(), Role::Alone);
    EXPECT_EQ(alone.Notice(),
              "cannot tell whether Vornal3 already runs on display "
              "vornal3-x11-:9: " +
                  folder + "/missing/vornal3-x11-:9.lock: " + std::strerror(ENOENT) +
                  "; starting all the same");
    EXPECT_EQ(alone.Report(), -1);
}
