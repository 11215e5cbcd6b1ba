#pragma once
// A window: a top-level form (sizable or a fixed dialog), or a child window of the
// multiple-document frame. Forms load on first use (running Form_Load), show modeless or
// modal, and unload. A child window owns its form object once shown: closing the window
// destroys the form.

#include <cstdint>
#include <string>

#include "platform/forms/Control.h"

namespace platform {

class CommandButton;
class MdiForm;

class Form : public Control, public Container {
  public:
    enum class Style { Sizable, FixedDialog, Splash };
    enum State { Normal = 0, Minimized = 1, Maximized = 2 };

    Form(std::string name, Style style);
    // A child window of the frame, hidden until shown.
    Form(std::string name, MdiForm& frame);
    ~Form() override;

    QWidget* ClientWidget() const override;

    // The outer edge: a top-level window's frame included.
    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;

    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // The inner (client) area.
    float ScaleWidth() const;
    float ScaleHeight() const;
    void SetClientSize(float widthTwips, float heightTwips);
    void SetBackColor(std::uint32_t rgb);

    // Runs Form_Load unless the form is loaded; a failure in it leaves to the caller.
    void Load();
    bool IsLoaded() const { return loaded_; }
    void Show();
    // Shows the form modally, centred over the owner, and returns once it is unloaded.
    void ShowModal(Form& owner);
    void Unload();
    // Paints the window now, even before the event loop runs.
    void Refresh();
    void CenterOnScreen();

    int WindowState() const;
    void SetWindowState(int state);
    // Shows the window above the others, as it was before it was minimized, and gives it the
    // keyboard; a modal window over it stays in front of it and keeps the keyboard.
    void BringToFront();

    void SetDefaultButton(CommandButton* button) { defaultButton_ = button; }
    void SetCancelButton(CommandButton* button) { cancelButton_ = button; }

    // Platform use only: the window reports what happened to it.
    bool HandleCloseRequest();
    void HandleClientResized();
    bool HandleKey(int qtKey);
    void DetachFromWindow();

  protected:
    Form(std::string name, QWidget* outer, QWidget* client);

    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    // Runs when the window is about to close; a non-zero cancel keeps it open.
    virtual void Form_Unload(std::int16_t& cancel) { (void)cancel; }

    QWidget* GeometryWidget() const override;
    void ApplyGeometry(const PixelRect& widget, const PixelRect& screen) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> f_;
    bool loaded_ = false;
    CommandButton* defaultButton_ = nullptr;
    CommandButton* cancelButton_ = nullptr;
};

}  // namespace platform
