// The About and how-to window, opened from the frame's Help menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
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
    const std::string version = "Version " + std::to_string(platform::App::Major()) + "." +
                                std::to_string(platform::App::Minor()) + "." +
                                std::to_string(platform::App::Revision());
    ASSERT_EQ(version, "Version 3.1.0");
    const std::vector<std::string> expected = {
        platform::App::Title(),
        version,
        ("Screen Capture, multiple document interface, Slight change, instead of automatically "
         "saving to file, you can view and save any images you wish to keep and kill the ones you "
         "dont want."),
        ("Much like previous versions of this application, its built around your computers "
         "\"Clipboard\"."),
        "How to use Vornal:",
        ("1. Leave this program open while you hunt for screenshots (or while your in a game if "
         "thats where the screenshots will come from."),
        ("2. When you are ready to take your screenshot, press the \"Print Screen\" or \"SysRq\" "
         "button on your keyboard, usually located to the immediate right of your \"F12\" key. "
         "This will automatically add an image with its own viewing window to the Vornal "
         "application. For multiple shots, simply hit the button multiple times."),
        ("3. Once you are done taking your screenshots, go back to the Vornal window, and you will "
         "notice that there is a separate window for each shot you took, and each window is "
         "equipped with an option to save its image to your computers HD. Once you name and save "
         "the image, it will be saved to the same folder that the application is located in."),
        ("Beyond that, enjoy this new version of the Vornal program, hopefully you find it a bit "
         "better than previous versions."),
        "Vornal Software"};
    std::int32_t captures = 0;
    // The OK button first, then each key.
    for (const int key : {0, int{Qt::Key_Return}, int{Qt::Key_Enter}, int{Qt::Key_Escape}}) {
        SCOPED_TRACE(key);
        OpenAndRun([&](frmAbout& about) {
            EXPECT_EQ(Texts(about), expected);
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
