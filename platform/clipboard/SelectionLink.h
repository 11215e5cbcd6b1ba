#pragma once
// The compositor's data control as the data control reader uses it: the selection's changes
// come in; receiving an offer through a pipe and emptying the selection go out. The connection
// to the compositor is one link; the tests' fake is another.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace platform::Clipboard {

class SelectionLink {
  public:
    class Listener {
      public:
        // The selection now holds `offer` (a number never used again), to be received as one
        // of `types`; offer 0 when the selection is empty.
        virtual void SelectionChanged(std::uint64_t offer, const QStringList& types) = 0;
        // The link works no more: the compositor is gone, or withdrew data control.
        virtual void LinkLost() = 0;

      protected:
        ~Listener() = default;
    };

    SelectionLink() = default;
    virtual ~SelectionLink() = default;
    SelectionLink(const SelectionLink&) = delete;
    SelectionLink& operator=(const SelectionLink&) = delete;

    void SetListener(Listener* listener) { listener_ = listener; }

    // Asks the offer's source to write its data as `type` into a new pipe, and returns the
    // pipe's read end (non-blocking; the caller closes it), or -1 when the offer no longer
    // holds the selection or no pipe could be made.
    virtual int Receive(std::uint64_t offer, const QString& type) = 0;
    // Handles whatever the compositor has sent so far, without waiting for more.
    virtual void CatchUp() = 0;
    // Sets the selection to none.
    virtual void ClearSelection() = 0;

  protected:
    Listener* listener_ = nullptr;
};

}  // namespace platform::Clipboard
