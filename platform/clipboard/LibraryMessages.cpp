#include "platform/clipboard/LibraryMessages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <cstdio>

namespace platform::Clipboard {

namespace {

// More than any library says about one picture; the rest is dropped.
constexpr qsizetype kMostCaught = 4096;

std::mutex& Redirection() {
    static std::mutex redirection;
    return redirection;
}

}  // namespace

LibraryMessages::LibraryMessages() : only_(Redirection()) {
    std::fflush(stderr);
    caught_ = memfd_create("vornal3-library-messages", MFD_CLOEXEC);
    if (caught_ < 0) {
        return;
    }
    saved_ = dup(STDERR_FILENO);
    if (saved_ < 0 || dup2(caught_, STDERR_FILENO) < 0) {
        if (saved_ >= 0) {
            close(saved_);
        }
        close(caught_);
        caught_ = saved_ = -1;
    }
}

LibraryMessages::~LibraryMessages() {
    if (caught_ < 0) {
        return;
    }
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    QByteArray text(kMostCaught, Qt::Uninitialized);
    const ssize_t read = pread(caught_, text.data(), static_cast<std::size_t>(text.size()), 0);
    close(caught_);
    text.truncate(read > 0 ? static_cast<qsizetype>(read) : 0);
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("libpng")) {
            qWarning("%s", trimmed.constData());
        } else if (!trimmed.isEmpty()) {
            std::fprintf(stderr, "%s\n", line.constData());
        }
    }
}

}  // namespace platform::Clipboard
