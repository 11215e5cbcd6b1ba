// Every picture that reaches the clipboard opens a numbered capture window.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <limits>
#include <memory>

#include "document/frmDocument.h"
#include "platform/AppInfo.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/TestSupport.h"

namespace {

using testing_support::PutPictureOnClipboard;
using testing_support::Settle;

std::vector<frmDocument*> Documents(const frmMain& frame) {
    std::vector<frmDocument*> documents;
    for (platform::Form* form : frame.ChildForms()) {
        documents.push_back(dynamic_cast<frmDocument*>(form));
    }
    return documents;
}

class Intake : public ::testing::Test {
  protected:
    void SetUp() override {
        QGuiApplication_clear();
        testing_support::ClearSettings();
        frame = std::make_unique<frmMain>();
        frame->Timer1.SetEnabled(false);  // ticks are driven by hand here
        frame->Load();
        frame->Show();
        testing_support::TakeReportedFailures();
    }
    void TearDown() override {
        frame.reset();
        Settle();
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    }
    static void QGuiApplication_clear() {
        testing_support::PutTextOnClipboard("");
        Settle();
    }
    std::unique_ptr<frmMain> frame;
};

TEST_F(Intake, EachPictureOpensTheNextNumberedWindowAndEmptiesTheClipboard) {
    for (int n = 1; n <= 3; ++n) {
        PutPictureOnClipboard(20 + n, 10, n);
        frame->Timer1.Tick();
        const auto documents = Documents(*frame);
        ASSERT_EQ(documents.size(), static_cast<std::size_t>(n));
        frmDocument* newest = documents.back();
        EXPECT_EQ(newest->Caption(), std::to_string(n));
        EXPECT_EQ(newest->Text1.Text(), "vornal" + std::to_string(n));
        EXPECT_TRUE(newest->Visible());
        EXPECT_EQ(newest->picMove.GetPicture().PixelWidth(), 20 + n);
        EXPECT_FALSE(testing_support::ClipboardHoldsAnything());
    }
    EXPECT_EQ(frame->lDocumentCount, 3);
    // An empty clipboard opens nothing more.
    frame->Timer1.Tick();
    EXPECT_EQ(Documents(*frame).size(), 3u);
}

TEST_F(Intake, ClosedWindowsDoNotLowerTheCount) {
    for (int n = 1; n <= 3; ++n) {
        PutPictureOnClipboard(8, 8, n);
        frame->Timer1.Tick();
    }
    for (frmDocument* document : Documents(*frame)) {
        document->Unload();
    }
    Settle();
    ASSERT_TRUE(Documents(*frame).empty());
    PutPictureOnClipboard(8, 8, 9);
    frame->Timer1.Tick();
    ASSERT_EQ(Documents(*frame).size(), 1u);
    EXPECT_EQ(Documents(*frame).front()->Caption(), "4");
    EXPECT_EQ(Documents(*frame).front()->Text1.Text(), "vornal4");
}

TEST_F(Intake, TextOnTheClipboardIsLeftAlone) {
    testing_support::PutTextOnClipboard("keep me");
    for (int i = 0; i < 5; ++i) {
        frame->Timer1.Tick();
    }
    EXPECT_TRUE(Documents(*frame).empty());
    EXPECT_EQ(testing_support::ClipboardText(), "keep me");
    EXPECT_EQ(frame->lDocumentCount, 0);
}

TEST_F(Intake, SeveralPicturesWithinOneTickGiveOneWindowWithTheLast) {
    PutPictureOnClipboard(5, 5, 1);
    PutPictureOnClipboard(6, 4, 2);
    const auto last = PutPictureOnClipboard(7, 3, 3);
    frame->Timer1.Tick();
    frame->Timer1.Tick();
    const auto documents = Documents(*frame);
    ASSERT_EQ(documents.size(), 1u);
    const platform::Picture shown = documents[0]->picMove.GetPicture();
    ASSERT_EQ(shown.PixelWidth(), 7);
    EXPECT_EQ(shown.PixelAt(6, 2), last[2 * 7 + 6]);
}

TEST_F(Intake, TheSamePictureIsNeverTakenTwice) {
    PutPictureOnClipboard(9, 9, 4);
    frame->Timer1.Tick();
    // Even if the system kept the picture after being told to empty the clipboard, the
    // contents already taken do not open a second window.
    for (int i = 0; i < 5; ++i) {
        Settle();
        frame->Timer1.Tick();
    }
    EXPECT_EQ(Documents(*frame).size(), 1u);
}

TEST_F(Intake, BytesThatDoNotDecodeOpenNothing) {
    auto* data = new QMimeData;
    data->setData("image/png", QByteArray(64, 'x'));
    QGuiApplication::clipboard()->setMimeData(data);
    Settle();
    frame->Timer1.Tick();
    EXPECT_TRUE(Documents(*frame).empty());
    EXPECT_EQ(frame->lDocumentCount, 0);
}

TEST_F(Intake, CounterOverflowOpensNothingButStillEmptiesTheClipboard) {
    frame->lDocumentCount = std::numeric_limits<std::int32_t>::max();
    PutPictureOnClipboard(4, 4, 5);
    frame->Timer1.Tick();
    EXPECT_TRUE(Documents(*frame).empty());
    EXPECT_EQ(frame->lDocumentCount, std::numeric_limits<std::int32_t>::max());
    EXPECT_FALSE(testing_support::ClipboardHoldsAnything());
}

TEST(IntakeAtStartUp, APictureAlreadyOnTheClipboardOpensWindowOneAtTheFirstTick) {
    PutPictureOnClipboard(12, 6, 7);
    Module1::Main();
    frmMain& frame = *Module1::MainFrame();
    // The real timer runs from here: wait, with a bound, for the first window.
    QDeadlineTimer deadline(5000);
    while (frame.ChildForms().empty() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const auto documents = Documents(frame);
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(documents[0]->Caption(), "1");
    EXPECT_EQ(documents[0]->Text1.Text(), "vornal1");
    Module1::Reset();
    Settle();
}

TEST(WindowMenu, ArrangesTheWindowsAndActivatesTheOneChosen) {
    testing_support::ClearSettings();
    frmMain frame;
    frame.Timer1.SetEnabled(false);
    frame.Load();
    frame.Show();
    for (int n = 1; n <= 3; ++n) {
        PutPictureOnClipboard(10, 10, n);
        frame.Timer1.Tick();
    }
    const auto documents = Documents(frame);
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(frame.ChildCaptions(), (std::vector<std::string>{"1", "2", "3"}));

    frame.mnuWindowTileHorizontal.Click();
    // One above the other, each the full width of the client area.
    for (std::size_t i = 1; i < documents.size(); ++i) {
        EXPECT_EQ(documents[i]->Left(), documents[0]->Left());
        EXPECT_EQ(documents[i]->Width(), documents[0]->Width());
        EXPECT_GE(documents[i]->Top(), documents[i - 1]->Top() + documents[i - 1]->Height());
    }
    EXPECT_EQ(documents[0]->Width(), frame.ScaleWidth());

    frame.mnuWindowTileVertical.Click();
    for (std::size_t i = 1; i < documents.size(); ++i) {
        EXPECT_EQ(documents[i]->Top(), documents[0]->Top());
        EXPECT_EQ(documents[i]->Height(), documents[0]->Height());
        EXPECT_GE(documents[i]->Left(), documents[i - 1]->Left() + documents[i - 1]->Width());
    }
    EXPECT_EQ(documents[0]->Height(), frame.ScaleHeight());

    frame.mnuWindowCascade.Click();
    EXPECT_LT(documents[0]->Left(), documents[1]->Left());
    EXPECT_LT(documents[0]->Top(), documents[1]->Top());

    // The Window menu lists the windows by caption; choosing one activates it.
    QMenu* windowMenu = nullptr;
    for (QAction* action : frame.MenuBar()->actions()) {
        if (action->text() == "&Window") {
            windowMenu = action->menu();
        }
    }
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    QStringList listed;
    QAction* second = nullptr;
    for (QAction* action : windowMenu->actions()) {
        if (action->isCheckable()) {
            listed << action->text();
            if (action->text() == "2") {
                second = action;
            }
        }
    }
    EXPECT_EQ(listed, (QStringList{"1", "2", "3"}));
    ASSERT_NE(second, nullptr);
    second->trigger();
    EXPECT_EQ(frame.ActiveChildCaption(), "2");
    documents[2]->SetCaption("renamed");
    emit windowMenu->aboutToShow();
    listed.clear();
    for (QAction* action : windowMenu->actions()) {
        if (action->isCheckable()) {
            listed << action->text();
        }
    }
    EXPECT_EQ(listed, (QStringList{"1", "2", "renamed"}));
}

}  // namespace
