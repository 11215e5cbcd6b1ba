#include "platform/runtime/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Notice.h"

namespace platform {

namespace {

// Long enough for a program that is still starting (its splash, its settings) on a busy
// machine; a program that answers does so at once.
constexpr std::chrono::milliseconds kPatience{10000};
constexpr std::chrono::milliseconds kRetry{20};
const QByteArray kAsk = QByteArrayLiteral("show\n");
const QByteArray kAnswer = QByteArrayLiteral("shown\n");
constexpr qint64 kLongestLine = 64;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// "host:display.screen": the screen is left out, as every screen of a display shares its
// clipboard; "unix:0" is ":0".
std::string WithoutScreen(std::string_view display) {
    std::string name(display);
    const auto colon = name.rfind(':');
    if (colon == std::string::npos) {
        return name;
    }
    const auto dot = name.find('.', colon);
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    if (name.rfind("unix:", 0) == 0) {
        name.erase(0, 4);
    }
    return name;
}

}  // namespace

std::string InstanceName(std::string_view platform, std::string_view x11Display,
                         std::string_view waylandDisplay) {
    std::string kind;
    std::string display;
    if (platform == "xcb") {
        kind = "x11";
        display = WithoutScreen(x11Display);
    } else if (platform.substr(0, 7) == "wayland") {
        kind = "wayland";
        display = waylandDisplay.empty() ? "wayland-0" : std::string(waylandDisplay);
    }
    if (display.empty()) {
        return "";
    }
    // A file name of its own: a display given as a path loses its separators.
    for (char& c : display) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-';
        if (!plain) {
            c = '_';
        }
    }
    return "vornal3-" + kind + "-" + display;
}

SingleInstance::SingleInstance(const std::string& x11Display, std::function<void()> show)
    : show_(std::move(show)) {
    const std::string platform = QGuiApplication::platformName().toStdString();
    const std::string x11 = x11Display.empty() ? Environment("DISPLAY") : x11Display;
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    const std::string name = InstanceName(platform, x11, wayland);
    if (name.empty()) {
        return;  // no display that another start could share
    }
    display_ = platform == "xcb" ? x11 : (wayland.empty() ? "wayland-0" : wayland);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        notice_ =
            "there is no runtime folder (XDG_RUNTIME_DIR) to tell whether Vornal3 "
            "already runs on display " +
            display_ + "; starting all the same";
        return;
    }
    Claim(folder.toStdString(), name, kPatience);
}

SingleInstance::SingleInstance(const std::string& folder, const std::string& name,
                               std::function<void()> show, std::chrono::milliseconds patience)
    : show_(std::move(show)), display_(name) {
    Claim(folder, name, patience);
}

SingleInstance::~SingleInstance() {
    server_.reset();  // removes the socket
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

int SingleInstance::Report() const {
    if (!notice_.empty()) {
        platform::Notice(notice_);
    }
    switch (role_) {
        case Role::Shown:
            return 0;
        case Role::NoAnswer:
            return 1;
        case Role::First:
        case Role::Alone:
            break;
    }
    return -1;
}

void SingleInstance::Claim(const std::string& folder, const std::string& name,
                           std::chrono::milliseconds patience) {
    const std::string lockPath = folder + "/" + name + ".lock";
    const std::string socketPath = folder + "/" + name;
    lock_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_ < 0) {
        notice_ = "cannot tell whether Vornal3 already runs on display " + display_ + ": " +
                  lockPath + ": " + std::strerror(errno) + "; starting all the same";
        return;
    }
    const QDeadlineTimer deadline(patience);
    for (;;) {
        if (::flock(lock_, LOCK_EX | LOCK_NB) == 0) {
            role_ = Listen(socketPath) ? Role::First : Role::Alone;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            notice_ = "cannot tell whether Vornal3 already runs on display " + display_ + ": " +
                      lockPath + ": " + std::strerror(errno) + "; starting all the same";
            return;
        }
        // Another program holds the display. It may be starting still, or have ended just now
        // (then the lock is free on the next round).
        if (AskToShow(socketPath, std::chrono::milliseconds(Remaining(deadline)))) {
            role_ = Role::Shown;
            notice_ = "Vornal3 already runs on display " + display_ +
                      "; its window is brought to the front";
            return;
        }
        if (deadline.hasExpired()) {
            role_ = Role::NoAnswer;
            notice_ = "Vornal3 already runs on display " + display_ + " but does not answer on " +
                      socketPath;
            return;
        }
        QThread::msleep(static_cast<unsigned long>(kRetry.count()));
    }
}

bool SingleInstance::Listen(const std::string& path) {
    const QString name = QString::fromStdString(path);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, this is the only program on the display: a socket found here was left
    // by one that ended without removing it.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        notice_ = "cannot listen for later starts on display " + display_ + ": " + path + ": " +
                  server_->errorString().toStdString() + "; starting all the same";
        server_.reset();
        // Later starts must not wait for an answer that never comes.
        ::close(lock_);
        lock_ = -1;
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client,
                             [this, client] { Answer(*client); });
            if (client->bytesAvailable() > 0) {
                Answer(*client);
            }
        }
    });
    return true;
}

void SingleInstance::Answer(QLocalSocket& client) {
    if (!client.canReadLine()) {
        if (client.bytesAvailable() > kLongestLine) {
            client.abort();
            client.deleteLater();
        }
        return;
    }
    if (client.readLine(kLongestLine + 1) != kAsk) {
        client.abort();
        client.deleteLater();
        return;
    }
    if (show_) {
        Dispatch("BringToFront", show_);
    }
    client.write(kAnswer);
    client.disconnectFromServer();
}

bool SingleInstance::AskToShow(const std::string& path, std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(Remaining(deadline))) {
        return false;
    }
    socket.write(kAsk);
    socket.flush();
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > kLongestLine ||
            !socket.waitForReadyRead(Remaining(deadline))) {
            return false;
        }
    }
    return socket.readLine(kLongestLine + 1) == kAnswer;
}

}  // namespace platform
