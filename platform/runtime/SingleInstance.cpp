#include "platform/runtime/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Notice.h"
#include "platform/runtime/ReadWatch.h"

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

// A socket listening at path, that only this user may knock on; a socket found there is one a
// program left that ended without removing it. -1, and why, where it cannot be made.
int OpenListener(const std::string& path, std::string& why) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        why = "the name is too long for a local socket";
        return -1;
    }
    std::copy(path.begin(), path.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    ::unlink(path.c_str());
    // Nobody can connect before listen(), so the mode is set in time.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
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
    watch_.reset();
    clients_.reset();
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketPath_.c_str());
    }
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
    std::string why;
    listener_ = OpenListener(path, why);
    if (listener_ < 0) {
        notice_ = "cannot listen for later starts on display " + display_ + ": " + path + ": " +
                  why + "; starting all the same";
        // Later starts must not wait for an answer that never comes.
        ::close(lock_);
        lock_ = -1;
        return false;
    }
    socketPath_ = path;
    clients_ = std::make_unique<QObject>();
    watch_ = std::make_unique<ReadWatch>(listener_, [this] { AcceptAll(); });
    return true;
}

void SingleInstance::AcceptAll() {
    while (true) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;  // none left (or one that went away while waiting)
        }
        auto* client = new QLocalSocket(clients_.get());
        if (!client->setSocketDescriptor(fd)) {
            ::close(fd);
            delete client;
            continue;
        }
        QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        QObject::connect(client, &QLocalSocket::readyRead, client,
                         [this, client] { Answer(*client); });
        if (client->bytesAvailable() > 0) {
            Answer(*client);
        }
    }
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
