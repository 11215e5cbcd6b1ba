#pragma once
// Requests from outside the program to close it: SIGTERM (the desktop at logout or shutdown),
// SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal went away). Each is turned into the
// request the session manager makes at logout: the application is asked to quit, which closes
// every window as its close box does, so the main frame stores its placement and ends the
// program as closing asks.

#include <memory>

namespace platform {

class ReadWatch;

class CloseRequests {
  public:
    // From here on the three signals no longer end the process at once; each is kept until it
    // can be acted on. A signal the program was started with ignored stays ignored (nohup, a
    // background job). There is one at a time: the signals have one handler.
    CloseRequests();
    // Puts back what the signals did before.
    ~CloseRequests();
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

    // Acts on requests from now on, those kept so far included, as soon as events are handled.
    // Called once start-up is over: a quit asked for before the event loop runs would be lost.
    void Act();

  private:
    int readEnd_ = -1;
    std::unique_ptr<ReadWatch> watch_;
};

}  // namespace platform
