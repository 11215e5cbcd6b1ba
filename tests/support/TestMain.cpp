#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "platform/forms/Twips.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/ToolkitMessages.h"

namespace testing_support {
void RecordFailure(const std::string& text);
}

int main(int argc, char** argv) {
    // Test discovery runs these binaries at build time, where there may be no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Settings written by tests go to a private folder, never to the user's own.
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    // The order in which clipboard formats are asked for follows what fresh memory costs on
    // the machine: the tests pin it to cheap, on every machine.
    setenv("VORNAL3_FRESH_PAGE_US", "0", 1);

    platform::RouteToolkitMessages();
    QApplication app(argc, argv);
    platform::UseDesignFont();
    platform::SetTwipsPerPixelForTesting(15.0f);
    platform::SetFailureReporter([](std::string_view handler, const std::string& message) {
        testing_support::RecordFailure(std::string(handler) + ": " + message);
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
