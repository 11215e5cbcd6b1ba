// The About and how-to window, opened from the frame's Help menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/clipboard/Clipboard.h"
#include "platform/pictures/Picture.h"
#include "platform/runtime/AppInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> Texts(const frmAbout& about) {
    return {about.lblTitle.Caption(), about.lblVersion.Caption(), about.lblDescription.Caption(),
            about.Label1.Caption(),   about.Label2.Caption(),     about.Label3.Caption(),
            about.Label4.Caption(),   about.Label5.Caption(),     about.Label6.Caption(),
            about.Label7.Caption()};
}

QWidget* WindowOf(const frmAbout& about) {
    return about.cmdOK.widget()->window();
}

void PressKey(const frmAbout& about, int key) {
    QWidget* target = QApplication::focusWidget();
    target = target != nullptr ? target : WindowOf(about);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

class About : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::App::SetEndForTesting([](int) {});
        frame = std::make_unique<frmMain>();
        frame->Load();
        frame->Show();
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        frame.reset();
        platform::App::SetEndForTesting({});
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    // Opens the window from the Help menu and runs `whileOpen`, which is to close it, once it is
    // shown. If it stays open the test closes it after a while and fails instead of hanging.
    void OpenAndRun(const std::function<void(frmAbout&)>& whileOpen) {
        bool forced = false;
        const QObject timers;  // its timers go with it
        QTimer::singleShot(0, &timers, [&] {
            frmAbout* about = frame->About();
            ASSERT_TRUE(
                about != nullptr &&
                testing_support::SpinUntil([&] { return WindowOf(*about)->isVisible(); }, 3000))
                << "the About window did not open";
            EXPECT_EQ(QApplication::activeModalWidget(), WindowOf(*about));
            whileOpen(*about);
        });
        QTimer::singleShot(5000, &timers, [&] {
            forced = true;
            frame->About()->Unload();
        });
        frame->mnuHelpAbout.Click();
        EXPECT_FALSE(forced) << "the About window had to be closed by the test";
        EXPECT_FALSE(frame->About() != nullptr && frame->About()->IsLoaded());
    }

    std::unique_ptr<frmMain> frame;
};

TEST_F(About, ShowsItsTextsEachTimeAndOkEnterAndEscCloseIt) {
    std::vector<std::string> first;  // the texts of the first opening, seen again at each other
    std::int32_t captures = 0;
    // The OK button first, then each key.
    for (const int key : {0, int{Qt::Key_Return}, int{Qt::Key_Enter}, int{Qt::Key_Escape}}) {
        SCOPED_TRACE(key);
        OpenAndRun([&](frmAbout& about) {
            const std::vector<std::string> texts = Texts(about);
            EXPECT_EQ(texts[0], platform::App::Title());
            EXPECT_EQ(texts[1], "Version 3.1.0");
            // Every label has a text of its own: none is left empty or given another's.
            EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), texts.size());
            EXPECT_TRUE(std::none_of(texts.begin(), texts.end(), std::mem_fn(&std::string::empty)));
            EXPECT_EQ(texts, first.empty() ? texts : first);
            first = texts;
            EXPECT_EQ(about.Caption(), "About Vornal3");
            EXPECT_EQ(about.cmdOK.Caption(), "OK");
            // Captures keep arriving while the window is open.
            platform::Clipboard::SetData(platform::Picture::Filled(12, 8, 0x336699 + key));
            ++captures;
            EXPECT_TRUE(testing_support::SpinUntil(
                [&] { return frame->lDocumentCount == captures; }, 3000));
            if (key == 0) {
                about.cmdOK.Click();
            } else {
                PressKey(about, key);
            }
        });
    }
}

}  // namespace
