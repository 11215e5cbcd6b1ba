#pragma once
// The capture window: one per captured picture, a child of the main frame. It takes the
// clipboard's picture when it loads and shows it in a viewport with scroll bars; the left
// mouse button pans it, the right one crops it; "Save it" writes it as a bitmap file and
// "Reset" brings back the capture as it was loaded.

#include <cstdint>

#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Label.h"
#include "platform/forms/MdiForm.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/ScrollBar.h"
#include "platform/forms/TextBox.h"

class frmDocument : public platform::Form {
  public:
    explicit frmDocument(platform::MdiForm& frame);

    // Members are declared in the window's tab order.
    platform::TextBox Text1;
    platform::Label Label1;
    platform::CommandButton Command1;
    platform::PictureBox Picture2;
    platform::Label Label2;
    platform::CommandButton Command2;
    platform::PictureBox undo;
    platform::ScrollBar vsb;
    platform::ScrollBar hsb;
    platform::PictureBox piccont;
    platform::PictureBox picMove;
    platform::Label Label3;
    platform::Label Label4;

    // Pan position of picMove inside the viewport (0 down to minus the scroll range).
    std::int16_t PanLeft = 0;
    std::int16_t PanTop = 0;
    // Where the left button grabbed the picture.
    float DragStartX = 0;
    float DragStartY = 0;
    // How far the picture can be panned, fixed when the window loads.
    std::int16_t ScrollRangeX = 0;
    std::int16_t ScrollRangeY = 0;
    // The first corner of a crop selection.
    std::int32_t CropStartX = 0;
    std::int32_t CropStartY = 0;

    void Form_Load() override;
    void Form_Resize() override;
    void hsb_Change();
    void vsb_Change();
    void hsb_Scroll();
    void vsb_Scroll();
    void picMove_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void picMove_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void picMove_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Command1_Click();
    void Command2_Click();

  private:
    void Design();
    void ConnectHandlers();
};

// The smaller of two whole numbers.
std::int32_t LesserOf(std::int32_t a, std::int32_t b);
