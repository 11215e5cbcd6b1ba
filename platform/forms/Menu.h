#pragma once
// Menus of the frame: top-level menus on the menu bar and items within them. "&" marks the
// access key. A menu marked as the window list also lists the frame's child windows.

#include <functional>
#include <memory>
#include <string>

namespace platform {

class MdiForm;

class Menu {
  public:
    Menu(MdiForm& frame, std::string name, const std::string& caption);  // on the menu bar
    Menu(Menu& parent, std::string name, const std::string& caption);    // an item
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    ~Menu();

    const std::string& Name() const { return name_; }
    std::string Caption() const;
    void SetWindowList(bool on);
    void OnClick(std::function<void()> handler);
    // Chooses the item, as a click on it would.
    void Click();

  private:
    struct Impl;
    std::string name_;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
