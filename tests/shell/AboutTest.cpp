// The About and how-to window, opened from the frame's Help menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppInfo.h"
#include "platform/Clipboard.h"
#include "platform/Picture.h"
#include "platform/Twips.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

// The design texts of the labels, from lblDescription to Label7.
const char* const kDescription =
    "Screen Capture, multiple document interface, Slight change, instead of automatically saving "
    "to file, you can view and save any images you wish to keep and kill the ones you dont want.";
const char* const kLabel1 =
    "Much like previous versions of this application, its built around your computers "
    "\"Clipboard\".";
const char* const kLabel2 = "How to use Vornal:";
const char* const kLabel3 =
    "1. Leave this program open while you hunt for screenshots (or while your in a game if thats "
    "where the screenshots will come from.";
const char* const kLabel4 =
    "2. When you are ready to take your screenshot, press the \"Print Screen\" or \"SysRq\" "
    "button on your keyboard, usually located to the immediate right of your \"F12\" key. This "
    "will automatically add an image with its own viewing window to the Vornal application. For "
    "multiple shots, simply hit the button multiple times.";
const char* const kLabel5 =
    "3. Once you are done taking your screenshots, go back to the Vornal window, and you will "
    "notice that there is a separate window for each shot you took, and each window is equipped "
    "with an option to save its image to your computers HD. Once you name and save the image, it "
    "will be saved to the same folder that the application is located in.";
const char* const kLabel6 =
    "Beyond that, enjoy this new version of the Vornal program, hopefully you find it a bit "
    "better than previous versions.";
const char* const kLabel7 = "Vornal Software";

std::vector<std::string> Texts(const frmAbout& about) {
    return {about.lblTitle.Caption(), about.lblVersion.Caption(), about.lblDescription.Caption(),
            about.Label1.Caption(),   about.Label2.Caption(),     about.Label3.Caption(),
            about.Label4.Caption(),   about.Label5.Caption(),     about.Label6.Caption(),
            about.Label7.Caption()};
}

QWidget* WindowOf(const frmAbout& about) {
    return about.cmdOK.widget()->window();
}

bool WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(3000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

void PressKey(const frmAbout& about, int key) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) {
        target = WindowOf(about);
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

class About : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::App::SetEndForTesting([] {});
        frame = std::make_unique<frmMain>();
        frame->Timer1.SetEnabled(false);
        frame->Load();
        frame->Move(1500, 1200, 9000, 7500);
        frame->Show();
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        frame.reset();
        platform::App::SetEndForTesting({});
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }

    // Opens the window from the Help menu and runs `whileOpen` once it is shown; `whileOpen`
    // is expected to close it. If it does not, the window is closed after a while, so that
    // a fault fails the test instead of hanging the suite. Returns whether the window closed
    // on its own account.
    bool OpenAndRun(const std::function<void(frmAbout&)>& whileOpen) {
        bool forced = false;
        QTimer fallback;
        fallback.setSingleShot(true);
        QObject::connect(&fallback, &QTimer::timeout, [&] {
            forced = true;
            if (frame->About() != nullptr) {
                frame->About()->Unload();
            }
        });
        fallback.start(5000);
        // Should unloading itself be broken, leave the nested loop anyway; later modal loops
        // of this run then return at once, and their tests fail rather than hang.
        QTimer lastResort;
        lastResort.setSingleShot(true);
        QObject::connect(&lastResort, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        lastResort.start(8000);
        QTimer::singleShot(0, [&] {
            frmAbout* about = frame->About();
            if (about == nullptr || !WaitFor([about] { return WindowOf(*about)->isVisible(); })) {
                ADD_FAILURE() << "the About window did not open";
                return;
            }
            whileOpen(*about);
        });
        frame->mnuHelpAbout.Click();
        fallback.stop();
        lastResort.stop();
        const bool closedByItself = !forced;
        EXPECT_TRUE(closedByItself) << "the About window had to be closed by the test";
        if (frame->About() != nullptr) {
            EXPECT_FALSE(WindowOf(*frame->About())->isVisible());
            EXPECT_FALSE(frame->About()->IsLoaded());
        }
        return closedByItself;
    }

    std::unique_ptr<frmMain> frame;
};

TEST_F(About, ShowsItsTextsAndTheVersionEveryTimeItOpens) {
    std::vector<std::vector<std::string>> shown;
    for (int time = 0; time < 2; ++time) {
        OpenAndRun([&](frmAbout& about) {
            shown.push_back(Texts(about));
            EXPECT_EQ(about.Caption(), "About Vornal3");
            EXPECT_EQ(about.cmdOK.Caption(), "OK");
            about.cmdOK.Click();
        });
    }
    ASSERT_EQ(shown.size(), 2u);
    const std::string version = "Version " + std::to_string(platform::App::Major()) + "." +
                                std::to_string(platform::App::Minor()) + "." +
                                std::to_string(platform::App::Revision());
    const std::vector<std::string> expected = {platform::App::Title(),
                                               version,
                                               kDescription,
                                               kLabel1,
                                               kLabel2,
                                               kLabel3,
                                               kLabel4,
                                               kLabel5,
                                               kLabel6,
                                               kLabel7};
    EXPECT_EQ(shown[0], expected);
    EXPECT_EQ(shown[1], expected);
    EXPECT_EQ(shown[0][0], "Vornal3");
    EXPECT_EQ(shown[0][1], "Version 3.1.0");
}

TEST_F(About, EnterAndEscCloseIt) {
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        EXPECT_TRUE(OpenAndRun([key](frmAbout& about) { PressKey(about, key); })) << key;
    }
}

TEST_F(About, IsModalCentredOverTheFrameWithOkFocused) {
    OpenAndRun([this](frmAbout& about) {
        QWidget* window = WindowOf(about);
        EXPECT_EQ(QApplication::activeModalWidget(), window);
        EXPECT_TRUE(WaitFor([&] { return about.cmdOK.HasFocus(); }));
        const float tolerance = 2 * platform::TwipsPerPixelX();
        EXPECT_NEAR(about.Left() + about.Width() / 2, frame->Left() + frame->Width() / 2,
                    tolerance);
        EXPECT_NEAR(about.Top() + about.Height() / 2, frame->Top() + frame->Height() / 2,
                    tolerance);
        PressKey(about, Qt::Key_Escape);
    });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(About, CapturesKeepArrivingWhileItIsOpen) {
    frame->Timer1.SetEnabled(true);
    OpenAndRun([this](frmAbout& about) {
        platform::Clipboard::SetData(platform::Picture::Filled(12, 8, 0x336699));
        EXPECT_TRUE(WaitFor([this] { return frame->lDocumentCount == 1; }));
        PressKey(about, Qt::Key_Escape);
    });
    frame->Timer1.SetEnabled(false);
    EXPECT_EQ(frame->ChildCaptions(), std::vector<std::string>{"1"});
}

}  // namespace
