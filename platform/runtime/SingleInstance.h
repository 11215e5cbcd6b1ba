#pragma once
// One program per display. The first start on a display holds a lock in the user's runtime
// folder (XDG_RUNTIME_DIR) for as long as it runs, and listens on a local socket beside it; a
// later start finds the lock taken and asks the first, through the socket, to bring its window
// to the front. The system drops the lock with the process, however it ends, so a program that
// crashed or was killed stops no new start: the socket it left is replaced.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QLocalSocket;
class QObject;

namespace platform {

class ReadWatch;

// The name the lock and the socket share for a display: the X display without its screen
// number, or the Wayland display; "" where the platform has no display to share (offscreen,
// vnc...) or none is named.
std::string InstanceName(std::string_view platform, std::string_view x11Display,
                         std::string_view waylandDisplay);

class SingleInstance {
  public:
    enum class Role {
        First,     // this program holds the display and answers later starts
        Shown,     // another holds it and has brought its window to the front: end with 0
        NoAnswer,  // another holds it but did not answer in time: end with 1
        Alone,     // there is no telling (no runtime folder, no lock): run all the same
    };

    // For the display this process's application object runs on; x11Display is the toolkit's
    // -display option, if given. `show` runs whenever a later start asks this one to show
    // itself.
    SingleInstance(const std::string& x11Display, std::function<void()> show);
    // In `folder`, under `name`, waiting at most `patience` for a program holding the lock to
    // answer (it may still be starting).
    SingleInstance(const std::string& folder, const std::string& name, std::function<void()> show,
                   std::chrono::milliseconds patience);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role GetRole() const { return role_; }
    // One line for standard error (without the program's name), or empty.
    const std::string& Notice() const { return notice_; }
    // Says the notice on standard error; returns the status this start ends with (0 Shown,
    // 1 NoAnswer), or -1 to go on.
    int Report() const;

  private:
    void Claim(const std::string& folder, const std::string& name,
               std::chrono::milliseconds patience);
    bool Listen(const std::string& path);
    static bool AskToShow(const std::string& path, std::chrono::milliseconds patience);
    void AcceptAll();
    void Answer(QLocalSocket& client);

    std::function<void()> show_;
    Role role_ = Role::Alone;
    std::string notice_;
    std::string display_;  // as the notices name it
    int lock_ = -1;
    int listener_ = -1;
    std::string socketPath_;
    std::unique_ptr<ReadWatch> watch_;
    std::unique_ptr<QObject> clients_;  // the later starts being answered
};

}  // namespace platform
