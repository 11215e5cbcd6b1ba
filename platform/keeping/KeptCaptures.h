#pragma once
// Captures kept on disk for as long as their windows are open, so that a program that ends
// without closing them (killed, crashed, its display gone, the power cut) loses none: the next
// start opens them again, in the order they were taken, before it reads the clipboard.
//
// A picture is kept the moment it is taken off the clipboard, as it arrived (crops leave the
// kept copy alone), and belongs to the capture window that shows it then. Closing that window
// deletes it; so does an ordinary end of the program, which drops unsaved captures.
// Files are written and deleted by a thread of their own: taking a picture never waits for
// the disk, and a disk that refuses costs no capture, only the kept copy, said in one line.

#include <QObject>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>

#include "platform/pictures/Picture.h"

namespace platform::keeping {

class KeepWriter;

class KeptCaptures {
  public:
    // Takes over the captures that ended programs left and reads them; unreadable ones are
    // moved aside. Serves them before the clipboard from now on. One at a time.
    KeptCaptures();
    ~KeptCaptures();
    // The program's ordinary end: every kept capture is deleted, but those still waiting to
    // open again. Nothing is kept after it.
    void End();
    KeptCaptures(const KeptCaptures&) = delete;
    KeptCaptures& operator=(const KeptCaptures&) = delete;

    // The one that runs, or null (tests, and before start-up).
    static KeptCaptures* Running();

    // The oldest kept picture still to open again, or the empty picture once all have.
    Picture NextRestored();
    // Emptying the clipboard after NextRestored handed out a picture takes that picture off the
    // queue, for the window that shows it, and leaves the clipboard alone: returns true. False
    // when the clipboard itself is to be emptied.
    bool TakeRestored();
    // The picture has been taken off the clipboard: keeps it for the window showing it.
    void Keep(const Picture& picture);
    // The window has closed: what it kept goes.
    void WindowGone(const QObject* window);
    // Waits until every file written or deleted so far is (for tests and benchmarks).
    void Settle();

  private:
    struct Restored {
        Picture picture;
        std::int64_t number;
    };
    void Claim(const Picture& picture, std::int64_t number);

    std::unique_ptr<KeepWriter> writer_;
    std::deque<Restored> restored_;
    bool served_ = false;  // the last picture handed out was a kept one
    bool taken_ = false;   // and it has been taken off the queue
    int reopened_ = 0;
    std::int64_t next_ = 1;
    // The window each kept capture belongs to, by number; null where no window showed it.
    std::map<std::int64_t, const QObject*> windows_;
};

}  // namespace platform::keeping
