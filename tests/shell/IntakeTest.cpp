// Every picture that reaches the clipboard opens a numbered capture window.

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <limits>
#include <memory>

#include "document/frmDocument.h"
#include "platform/clipboard/Clipboard.h"
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
        testing_support::PutTextOnClipboard("");
        testing_support::ClearSettings();
        frame.Timer1.SetEnabled(false);  // ticks are driven by hand here
        frame.Load();
        frame.Show();
    }
    void TearDown() override { EXPECT_TRUE(testing_support::TakeReportedFailures().empty()); }
    frmMain frame;
};

TEST_F(Intake, EachPictureOpensTheNextNumberWhichClosingWindowsNeverLowersUpToTheLast) {
    for (int n = 1; n <= 3; ++n) {
        PutPictureOnClipboard(20 + n, 10, n);
        const long decoded = platform::Clipboard::DecodeCount();
        frame.Timer1.Tick();
        frame.Timer1.Tick();  // the same contents are never taken twice
        EXPECT_EQ(platform::Clipboard::DecodeCount() - decoded, 1) << "however often asked for";
        const auto documents = Documents(frame);
        ASSERT_EQ(documents.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(documents.back()->Caption(), std::to_string(n));
        EXPECT_EQ(documents.back()->Text1.Text(), "vornal" + std::to_string(n));
        EXPECT_TRUE(documents.back()->Visible());
        EXPECT_EQ(documents.back()->picMove.GetPicture().PixelWidth(), 20 + n);
        EXPECT_FALSE(testing_support::ClipboardHoldsAnything());
    }
    for (frmDocument* document : Documents(frame)) {
        document->Unload();
    }
    Settle();
    ASSERT_TRUE(Documents(frame).empty());
    PutPictureOnClipboard(8, 8, 9);
    frame.Timer1.Tick();
    ASSERT_EQ(Documents(frame).size(), 1u);
    EXPECT_EQ(Documents(frame).front()->Text1.Text(), "vornal4");

    // A counter with no next number opens nothing, but still empties the clipboard.
    frame.lDocumentCount = std::numeric_limits<std::int32_t>::max();
    PutPictureOnClipboard(4, 4, 5);
    frame.Timer1.Tick();
    EXPECT_EQ(Documents(frame).size(), 1u);
    EXPECT_EQ(frame.lDocumentCount, std::numeric_limits<std::int32_t>::max());
    EXPECT_FALSE(testing_support::ClipboardHoldsAnything());
}

TEST_F(Intake, SeveralPicturesWithinOneTickGiveOneWindowWithTheLast) {
    PutPictureOnClipboard(5, 5, 1);
    const auto last = PutPictureOnClipboard(7, 3, 3);
    frame.Timer1.Tick();
    const auto documents = Documents(frame);
    ASSERT_EQ(documents.size(), 1u);
    const platform::Picture shown = documents[0]->picMove.GetPicture();
    ASSERT_EQ(shown.PixelWidth(), 7);
    EXPECT_EQ(shown.PixelAt(6, 2), last[2 * 7 + 6]);
}

TEST_F(Intake, WindowMenuArrangesListsAndActivatesTheWindows) {
    for (int n = 1; n <= 3; ++n) {
        PutPictureOnClipboard(10, 10, n);
        frame.Timer1.Tick();
    }
    const auto docs = Documents(frame);
    frame.mnuWindowTileHorizontal.Click();  // stacked, each the full width
    EXPECT_EQ(docs[0]->Width(), frame.ScaleWidth());
    EXPECT_EQ(docs[2]->Width(), frame.ScaleWidth());
    EXPECT_GE(docs[2]->Top(), docs[1]->Top() + docs[1]->Height());
    frame.mnuWindowTileVertical.Click();  // side by side, each the full height
    EXPECT_EQ(docs[0]->Height(), frame.ScaleHeight());
    EXPECT_GE(docs[2]->Left(), docs[1]->Left() + docs[1]->Width());
    frame.mnuWindowCascade.Click();
    EXPECT_LT(docs[0]->Left(), docs[1]->Left());
    EXPECT_LT(docs[0]->Top(), docs[1]->Top());

    docs[2]->SetCaption("renamed");
    QMenu* windowMenu = frame.MenuBar()->actions().at(1)->menu();
    emit windowMenu->aboutToShow();
    QStringList listed;
    for (QAction* action : windowMenu->actions()) {
        if (action->isCheckable()) {
            listed << action->text();
        }
    }
    EXPECT_EQ(listed, (QStringList{"1", "2", "renamed"}));
    windowMenu->actions().at(windowMenu->actions().size() - 2)->trigger();
    EXPECT_EQ(frame.ActiveChildCaption(), "2");
}

TEST(IntakeAtStartUp, APictureAlreadyOnTheClipboardOpensWindowOneAtTheFirstTick) {
    PutPictureOnClipboard(12, 6, 7);
    const std::unique_ptr<frmMain> running = Module1::Main();
    frmMain& frame = *running;
    // The real timer runs from here: wait, with a bound, for the first window.
    testing_support::SpinUntil([&] { return !frame.ChildForms().empty(); });
    ASSERT_EQ(Documents(frame).size(), 1u);
    EXPECT_EQ(Documents(frame)[0]->Caption(), "1");
}

}  // namespace
