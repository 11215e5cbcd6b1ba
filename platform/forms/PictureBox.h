#pragma once
// A picture box: a control that shows a picture at its inner top-left corner, can draw on its
// surface or (with persistent drawing) into its image, can fit itself to its picture, hold
// other controls, and reports the mouse in twips relative to its inner top-left corner.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Control.h"
#include "platform/pictures/Picture.h"

namespace platform {

class PictureBox : public Control, public Container {
  public:
    enum BorderStyle { NoBorder = 0, FixedSingle = 1 };
    enum DrawStyle { Solid = 0, Dash = 1, Dot = 2 };
    enum MousePointer { DefaultPointer = 0, CrossPointer = 2, SizeAllPointer = 15 };
    enum Button { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    using MouseHandler =
        std::function<void(std::int16_t button, std::int16_t shift, float x, float y)>;

    PictureBox(Container& parent, std::string name);
    ~PictureBox() override;
    QWidget* ClientWidget() const override;

    void SetBorderStyle(int style);
    void SetBackColor(std::uint32_t rgb);
    std::uint32_t BackColor() const;
    // The colour drawings take when they name none.
    void SetForeColor(std::uint32_t rgb);
    std::uint32_t ForeColor() const;

    Picture GetPicture() const;
    void SetPicture(const Picture& picture);
    // The inner area as it stands: background, picture, and what was drawn while drawing was
    // persistent. Surface drawings are never part of it.
    Picture Image() const;

    bool AutoSize() const;
    void SetAutoSize(bool on);
    bool AutoRedraw() const;
    void SetAutoRedraw(bool on);
    void SetDrawStyle(int style);
    int DrawStyle() const;

    // Removes everything drawn; the picture stays.
    void Cls();
    // The outline of the rectangle with corners (x1, y1) and (x2, y2), in twips.
    void DrawBox(float x1, float y1, float x2, float y2, std::uint32_t rgb);
    // Paints the part of the picture starting at (srcX, srcY) of size srcW x srcH into the box
    // at (x, y), w x h (all twips). Where the part lies outside the picture, the box's
    // background colour is painted.
    void PaintPicture(const Picture& picture, float x, float y, float w, float h, float srcX,
                      float srcY, float srcW, float srcH);

    float ScaleWidth() const;
    float ScaleHeight() const;

    void SetMousePointer(int pointer);
    int MousePointerShape() const;

    void OnMouseDown(MouseHandler handler);
    void OnMouseMove(MouseHandler handler);
    void OnMouseUp(MouseHandler handler);
    // Delivers mouse events as the system would (for tests and the event filter).
    void MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    void MouseUp(std::int16_t button, std::int16_t shift, float x, float y);

    // Platform use only: what the surface shows now, drawings included.
    Picture Surface() const;

  protected:
    void ApplyGeometry(const PixelRect& widget, const PixelRect& screen) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
