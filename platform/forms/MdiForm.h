#pragma once
// The multiple-document frame: a main window whose client area holds child forms, with a
// menu bar, a status bar, and the arrange operation.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Form.h"

class QMdiArea;
class QMenuBar;
class QStatusBar;

namespace platform {

class FrameWindow;

class MdiForm : public Form {
  public:
    enum Arrangement { Cascade = 0, TileHorizontal = 1, TileVertical = 2 };

    explicit MdiForm(std::string name);

    // Arranges the child windows: 0 cascades, 1 stacks them one above the other, each the
    // full width, 2 places them side by side. Minimized children are left where they are.
    void Arrange(int arrangement);
    void SetWorkspaceColorFromSystem();

    // Captions of the child windows, in the order the window list shows them.
    std::vector<std::string> ChildCaptions() const;
    // The active child window's caption, or "" when none is active.
    std::string ActiveChildCaption() const;
    // The active child window's place in ChildCaptions(), or -1.
    int ActiveChildIndex() const;
    void ActivateChild(int index);
    // The child windows' forms, in the order they were made; minimized ones included.
    std::vector<Form*> ChildForms() const;

    // Platform use only.
    QMdiArea* MdiArea() const;
    QMenuBar* MenuBar() const;
    QStatusBar* StatusBarWidget() const;

  protected:
    virtual void MDIForm_Load() {}
    virtual void MDIForm_Unload(std::int16_t& cancel) { (void)cancel; }

  private:
    MdiForm(std::string name, FrameWindow* frame);
    void Form_Load() final { MDIForm_Load(); }
    void Form_Unload(std::int16_t& cancel) final { MDIForm_Unload(cancel); }
};

}  // namespace platform
