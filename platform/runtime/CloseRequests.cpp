#include "platform/runtime/CloseRequests.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "platform/runtime/Notice.h"
#include "platform/runtime/ReadWatch.h"

namespace platform {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The end of the pipe the signal handler writes to; -1 while nothing is caught.
volatile std::sig_atomic_t writeEnd = -1;
std::array<struct sigaction, kSignals.size()> previous{};
std::array<bool, kSignals.size()> caught{};

// Runs at any point of the program, so it only writes one byte for the event loop to find;
// a full pipe already holds a request, and one is all that is needed.
extern "C" void KeepSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

void AskToQuit() {
    // The very event the session manager's "die" at logout sends: Qt closes every window.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
}

}  // namespace

CloseRequests::CloseRequests() {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        // Rare enough (no file descriptors left) that the signals may keep ending the process.
        Notice(std::string("termination signals will end the program at once: ") +
               std::strerror(errno));
        return;
    }
    readEnd_ = ends[0];
    writeEnd = ends[1];

    struct sigaction keep {};
    keep.sa_handler = KeepSignal;
    keep.sa_flags = SA_RESTART;
    sigemptyset(&keep.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], nullptr, &previous[i]);
        caught[i] = previous[i].sa_handler != SIG_IGN;
        if (caught[i]) {
            sigaction(kSignals[i], &keep, nullptr);
        }
    }
}

CloseRequests::~CloseRequests() {
    if (readEnd_ < 0) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (caught[i]) {
            sigaction(kSignals[i], &previous[i], nullptr);
            caught[i] = false;
        }
    }
    watch_.reset();
    ::close(writeEnd);
    writeEnd = -1;
    ::close(readEnd_);
}

void CloseRequests::Act() {
    if (readEnd_ < 0) {
        return;
    }
    watch_ = std::make_unique<ReadWatch>(readEnd_, [this] {
        // Several signals in a row are one request.
        std::array<unsigned char, 64> bytes{};
        while (::read(readEnd_, bytes.data(), bytes.size()) > 0) {
        }
        AskToQuit();
    });
}

}  // namespace platform
