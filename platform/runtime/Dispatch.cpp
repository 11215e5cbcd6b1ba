#include "platform/runtime/Dispatch.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <string>

#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Notice.h"

namespace platform {

namespace {

FailureReporter reporter;

void ShowReport(std::string_view handler, const std::string& message) {
    if (reporter) {
        reporter(handler, message);
        return;
    }
    Notice(std::string(handler) + ": " + message);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox::warning(QApplication::activeWindow(), QString::fromStdString(App::Title()),
                             QString::fromStdString(message));
    }
}

// Reporting runs inside the dispatch's own catch: if even that fails, say so in the plainest
// way rather than ending the program.
void Report(std::string_view handler, const char* message) noexcept {
    try {
        ShowReport(handler, message);
    } catch (...) {
        Notice("a failure could not be reported");
    }
}

}  // namespace

void Dispatch(std::string_view handler, const std::function<void()>& body) noexcept {
    try {
        body();
    } catch (const std::exception& failure) {
        Report(handler, failure.what());
    } catch (...) {
        Report(handler, "unknown failure");
    }
}

bool SkipOnFailure(const std::function<void()>& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

void SetFailureReporter(FailureReporter replacement) {
    reporter = std::move(replacement);
}

}  // namespace platform
