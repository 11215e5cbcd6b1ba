#include "platform/runtime/AppInfo.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "platform/keeping/KeptCaptures.h"

namespace platform::App {

namespace {
std::function<void(int)> endForTesting;
std::string pathForTesting;
}  // namespace

std::string Title() {
    return "Vornal3";
}
int Major() {
    return 3;
}
int Minor() {
    return 1;
}
int Revision() {
    return 0;
}

std::string Path() {
    if (!pathForTesting.empty()) {
        return pathForTesting;
    }
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
}

char PathSeparator() {
    return QDir::separator().toLatin1();
}

void End(int status) {
    if (endForTesting) {
        endForTesting(status);
        return;
    }
    // Settings are written as they are saved; nothing else needs to survive. Kept copies of
    // the captures still open go: an ordinary end drops unsaved captures.
    if (auto* kept = keeping::KeptCaptures::Running()) {
        kept->End();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

void SetEndForTesting(std::function<void(int)> end) {
    endForTesting = std::move(end);
}
void SetPathForTesting(std::string path) {
    pathForTesting = std::move(path);
}

}  // namespace platform::App
