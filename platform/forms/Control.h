#pragma once
// The base of every window and control: a name (for failure reports), a position and size in
// twips relative to the inner area of its container, visibility and a tool tip.
//
// A control placed from twips stands on whole screen pixels, and reports exactly those; at a
// device pixel ratio above 1 its widget, placed in widget pixels, may reach a fraction of a
// widget pixel further. Once anything else moves the widget, it reports where the widget is.

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace platform {

// Anything that holds controls: forms, picture boxes, frames.
class Container {
  public:
    // The widget whose inner area the children are positioned in (platform use only).
    virtual QWidget* ClientWidget() const = 0;

  protected:
    Container() = default;
    ~Container() = default;
};

class Control {
  public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    const std::string& Name() const { return name_; }

    virtual float Left() const;
    virtual float Top() const;
    virtual float Width() const;
    virtual float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    // A negative size is refused as a failure; the control keeps its place then.
    void Move(float left, std::optional<float> top = std::nullopt,
              std::optional<float> width = std::nullopt,
              std::optional<float> height = std::nullopt);

    bool Visible() const;
    void SetVisible(bool visible);
    std::string ToolTipText() const;
    void SetToolTipText(const std::string& text);

    // The underlying widget, or null once the window holding it is gone (platform use only).
    QWidget* widget() const;

  protected:
    struct PixelRect {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        bool operator==(const PixelRect&) const = default;
    };

    Control(std::string name, QWidget* widget);
    // Where geometry changes go: the widget itself, or the frame around it.
    virtual QWidget* GeometryWidget() const;
    // Places the control on a rectangle of screen pixels.
    void PlaceOnScreen(const PixelRect& screen);
    // Where the control stands, in screen pixels.
    PixelRect ScreenRect() const;
    // Sizes are of the outer widget; subclasses with an inner area adjust here. `screen` is the
    // rectangle in screen pixels that `widget` covers, in widget pixels.
    virtual void ApplyGeometry(const PixelRect& widget, const PixelRect& screen);

  private:
    struct Impl;
    std::string name_;
    std::unique_ptr<Impl> d_;
};

// Calls a control's event handler through the event dispatch, naming it Control_Event.
void RaiseEvent(const Control& control, const char* event, const std::function<void()>& handler);

}  // namespace platform
