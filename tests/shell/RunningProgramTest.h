#pragma once
// The program started as its executable starts it, up to the event loop, with each ending
// recorded instead of acted on, and the settings store it reads and writes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMdiArea>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/runtime/AppInfo.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace running_test {

inline QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Vornal3", "Vornal3");
}

inline QString Stored(const char* key) {
    return Store().value(QString("Settings/") + key, "<absent>").toString();
}

class RunningProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::ClearSettings();
        platform::App::SetEndForTesting([this](int status) { ends.push_back(status); });
        testing_support::TakeReportedFailures();
    }
    // Tests that expect a failure take it themselves.
    void TearDown() override {
        running.reset();
        platform::App::SetEndForTesting({});
        testing_support::Settle();
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    frmMain& Start() {
        running = Module1::Main();
        return *running;
    }
    bool Shown() const { return running->MdiArea()->window()->isVisible(); }

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

}  // namespace running_test
