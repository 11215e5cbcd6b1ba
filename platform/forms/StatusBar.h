#pragma once
// The frame's status bar: panels of plain text, the current date and the current time; the
// date and time panels keep themselves current.

#include <memory>
#include <string>

namespace platform {

class MdiForm;

class StatusBar {
  public:
    enum class PanelStyle { Text, Date, Time };

    StatusBar(MdiForm& frame, const std::string& name, float heightTwips);
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;
    ~StatusBar();

    void AddPanel(PanelStyle style, float minWidthTwips, float widthTwips,
                  const std::string& text = "");
    int PanelCount() const;
    // What panel i (from 1) shows now.
    std::string PanelText(int index) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
