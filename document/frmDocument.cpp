#include "document/frmDocument.h"

#include <cmath>

#include "platform/clipboard/Clipboard.h"
#include "platform/forms/SystemColors.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Numeric.h"

using platform::SkipOnFailure;

frmDocument::frmDocument(platform::MdiForm& frame)
    : platform::Form("frmDocument", frame),
      Text1(*this, "Text1"),
      Label1(*this, "Label1"),
      Command1(*this, "Command1"),
      Picture2(*this, "Picture2"),
      Label2(*this, "Label2"),
      Command2(*this, "Command2"),
      undo(*this, "undo"),
      vsb(*this, "vsb", platform::ScrollBar::Orientation::Vertical),
      hsb(*this, "hsb", platform::ScrollBar::Orientation::Horizontal),
      piccont(*this, "piccont"),
      picMove(piccont, "picMove"),
      Label3(*this, "Label3"),
      Label4(*this, "Label4") {
    Design();
    ConnectHandlers();
}

void frmDocument::Design() {
    SetCaption("frmDocument");
    SetClientSize(8850, 5070);

    Label1.Move(120, 45, 1335, 255);
    Label1.SetCaption("Save Image As:");
    Text1.Move(1320, 0, 1215, 285);
    Text1.SetText("vornal");
    Command1.Move(2520, 50, 855, 255);
    Command1.SetCaption("Save it");
    Label2.Move(3480, 50, 3015, 255);
    Label2.SetCaption("Left Mouse to move, Right Mouse to Crop");
    Command2.Move(6480, 50, 1095, 255);
    Command2.SetCaption("Reset");
    Command2.SetToolTipText("This feature still needs work...");
    Label3.Move(7560, 0, 255, 375);
    Label3.SetCaption("Label3");
    Label3.SetVisible(false);
    Label4.Move(7800, 0, 255, 375);
    Label4.SetCaption("Label3");
    Label4.SetVisible(false);

    piccont.SetBorderStyle(platform::PictureBox::FixedSingle);
    piccont.Move(120, 360, 8295, 4335);
    picMove.Move(0, 0, 1215, 495);
    picMove.SetBackColor(platform::WindowBackgroundColor());
    picMove.SetForeColor(platform::WindowTextColor());
    Picture2.Move(120, 960, 1215, 495);
    // A crop reaching beyond the picture shows the viewport's own colour there.
    Picture2.SetBackColor(platform::WindowBackgroundColor());
    undo.Move(120, 1560, 1215, 495);
    undo.SetVisible(false);

    hsb.Move(120, 4800, 8415, 255);
    vsb.Move(8520, 120, 255, 4575);
}

void frmDocument::ConnectHandlers() {
    hsb.OnChange([this] { hsb_Change(); });
    vsb.OnChange([this] { vsb_Change(); });
    hsb.OnScroll([this] { hsb_Scroll(); });
    vsb.OnScroll([this] { vsb_Scroll(); });
    picMove.OnMouseDown([this](std::int16_t b, std::int16_t s, float x, float y) {
        picMove_MouseDown(b, s, x, y);
    });
    picMove.OnMouseMove([this](std::int16_t b, std::int16_t s, float x, float y) {
        picMove_MouseMove(b, s, x, y);
    });
    picMove.OnMouseUp(
        [this](std::int16_t b, std::int16_t s, float x, float y) { picMove_MouseUp(b, s, x, y); });
    Command1.OnClick([this] { Command1_Click(); });
    Command2.OnClick([this] { Command2_Click(); });
}

void frmDocument::Form_Load() {
    Picture2.SetVisible(false);
    Picture2.SetAutoRedraw(true);
    picMove.SetDrawStyle(platform::PictureBox::Dot);
    piccont.Move(100, 300, ScaleWidth() - 400, ScaleHeight() - 600);
    Form_Resize();

    // From here on a failing step is skipped, except that a clipboard that cannot be read
    // (or holds the picture already shown) ends loading.
    bool fresh = false;
    SkipOnFailure(
        [&] { fresh = platform::Clipboard::GetData().Handle() != picMove.GetPicture().Handle(); });
    if (!fresh) {
        return;
    }
    SkipOnFailure([&] { picMove.SetPicture(platform::Clipboard::GetData()); });
    SkipOnFailure([] { platform::Clipboard::Clear(); });
    // The box fits the picture before its size and the backup are recorded, so that Reset
    // brings back the whole capture rather than the corner that fitted the design size.
    SkipOnFailure([&] { picMove.SetAutoSize(true); });
    SkipOnFailure([&] { picMove.Move(0, 0); });
    SkipOnFailure([&] { Label3.SetCaption(platform::NumberText(picMove.Height())); });
    SkipOnFailure([&] { Label4.SetCaption(platform::NumberText(picMove.Width())); });
    SkipOnFailure([&] { undo.Cls(); });
    SkipOnFailure([&] { undo.SetPicture(picMove.Image()); });
    SkipOnFailure(
        [&] { ScrollRangeY = platform::ToInt16(std::fabs(picMove.Height() - piccont.Height())); });
    SkipOnFailure(
        [&] { ScrollRangeX = platform::ToInt16(std::fabs(picMove.Width() - piccont.Width())); });
    SkipOnFailure([&] { vsb.SetMax(ScrollRangeY); });
    SkipOnFailure([&] { vsb.SetLargeChange(platform::ToInt16(ScrollRangeY * 0.1)); });
    SkipOnFailure([&] { hsb.SetMax(ScrollRangeX); });
    SkipOnFailure([&] { hsb.SetLargeChange(platform::ToInt16(ScrollRangeX * 0.1)); });
}

void frmDocument::Form_Resize() {
    SkipOnFailure([&] { piccont.Move(100, 300, ScaleWidth() - 400, ScaleHeight() - 600); });
    SkipOnFailure([&] { vsb.SetLeft(Width() - vsb.Width() - 150); });
    SkipOnFailure([&] { vsb.SetTop(piccont.Top()); });
    SkipOnFailure([&] { vsb.SetHeight(piccont.Height()); });
    SkipOnFailure([&] { hsb.SetLeft(piccont.Left()); });
    SkipOnFailure([&] { hsb.SetTop(Height() - 800); });
    SkipOnFailure([&] { hsb.SetWidth(piccont.Width()); });
}

void frmDocument::hsb_Change() {
    picMove.SetLeft(-static_cast<float>(hsb.Value()));
    PanLeft = platform::ToInt16(picMove.Left());
}

void frmDocument::vsb_Change() {
    picMove.SetTop(-static_cast<float>(vsb.Value()));
    PanTop = platform::ToInt16(picMove.Top());
}

void frmDocument::hsb_Scroll() {
    hsb_Change();
}
void frmDocument::vsb_Scroll() {
    vsb_Change();
}
