#pragma once
// A periodic tick on the user-interface thread.

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Timer {
  public:
    Timer(std::string name, int intervalMs, bool enabled);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    void OnTimer(std::function<void()> handler);
    void SetEnabled(bool enabled);
    bool Enabled() const;
    int Interval() const;
    // Runs the handler once, as a tick would.
    void Tick();

  private:
    struct Impl;
    std::string handlerName_;  // as failures name it
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
