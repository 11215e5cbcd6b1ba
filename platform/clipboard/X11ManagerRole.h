#pragma once
// The clipboard manager's role on X11, held while no other program holds it. A program that
// ends hands its clipboard over to the holder of CLIPBOARD_MANAGER (a ConvertSelection to
// SAVE_TARGETS), as toolkits do on their way out: the role fetches what it is asked to save
// from the clipboard, answers at once, and then offers the saved contents on the clipboard
// itself, so that text copied by a program that has ended stays pasteable.
//
// It never waits for another client: questions to the ending program and answers to those
// who paste are asynchronous, their replies arrive through Handle and their deadlines on a
// timer. Only the display server's own replies are waited for.
//
// Limits: a picture is saved in one format, the first the program reads of those offered, and
// held within the limits of Transfer; everything else together comes to at most
// kMostOtherBytes, and at most kMostTargets targets are saved. What does not fit is left out,
// which is never worse than having no clipboard manager.

#include <xcb/xcb.h>

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/clipboard/Transfer.h"

class QObject;
class QTimer;

namespace platform::Clipboard {

// What the role holds, apart from the class so that each is whole where the class uses it.
namespace manager_role {

using Clock = std::chrono::steady_clock;

// One target's value, as its owner sent it.
struct Value {
    xcb_atom_t target = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 8;
    QByteArray bytes;                  // may be a view into `keep`
    std::shared_ptr<const void> keep;  // what the bytes lie in, when not in `bytes`
};

// A save under way: the targets asked for in turn from the clipboard's owner.
struct Save {
    enum class Stage { Listing, Asking, Receiving };
    xcb_selection_request_event_t request{};  // the ending program's, answered at the end
    xcb_window_t owner = XCB_NONE;            // the clipboard's owner when the save began
    std::vector<xcb_atom_t> pictures;         // picture formats, the one to try first first
    std::vector<xcb_atom_t> others;
    std::vector<Value> saved;
    bool pictureSaved = false;
    std::int64_t otherBytes = 0;

    Stage stage = Stage::Listing;
    xcb_atom_t target = XCB_NONE;
    xcb_atom_t fetchProperty = XCB_NONE;
    Clock::time_point deadline;
    std::optional<Transfer> picture;  // the limits of a picture being fetched
    Value receiving;                  // a value arriving in parts
};

// A value sent in parts to a client pasting it.
struct Outgoing {
    xcb_window_t requestor = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    Value value;
    qsizetype sent = 0;
    Clock::time_point deadline;
};

}  // namespace manager_role

class X11ManagerRole {
  public:
    // Everything that is not a picture, saved from one program, together (text is seldom more
    // than a few hundred kilobytes; a program offering it in six encodings sends it six times).
    static constexpr std::int64_t kMostOtherBytes = std::int64_t{16} << 20;
    static constexpr std::size_t kMostTargets = 64;

    // Works on the intake's own connection, which it does not own; makes a window of its own.
    X11ManagerRole(xcb_connection_t* connection, xcb_window_t root);
    ~X11ManagerRole();
    X11ManagerRole(const X11ManagerRole&) = delete;
    X11ManagerRole& operator=(const X11ManagerRole&) = delete;

    // Takes CLIPBOARD_MANAGER when no program owns it; false (and nothing changed) otherwise.
    bool Start();
    // An event read from the connection: true when it was the role's and is handled.
    bool Handle(const xcb_generic_event_t& event);

  private:
    using Value = manager_role::Value;
    using Save = manager_role::Save;
    using Outgoing = manager_role::Outgoing;
    using Clock = manager_role::Clock;

    xcb_timestamp_t ServerTime();
    xcb_window_t OwnerOf(xcb_atom_t selection);
    void Release();
    void Fail(const std::exception& e);

    void Request(const xcb_selection_request_event_t& request);
    void Answer(const xcb_selection_request_event_t& request, xcb_atom_t property);
    void Offer(const xcb_selection_request_event_t& request, xcb_atom_t property,
               const Value& value);
    bool PartTaken(const xcb_property_notify_event_t& event);
    bool IsOwnWindow(xcb_window_t window) const;
    void WatchRequestor(xcb_window_t requestor, bool watch);
    void Cleared(const xcb_selection_clear_event_t& clear);

    void BeginSave(const xcb_selection_request_event_t& request);
    void Plan(const std::vector<xcb_atom_t>& targets);
    void FetchNext();
    void Fetch(xcb_atom_t target, int deadlineMs);
    std::int64_t Room() const;
    void Fetched(const xcb_selection_notify_event_t& event);
    void PartFetched();
    void Keep(Value value);
    void EndSave();
    void AnswerSave(const xcb_selection_request_event_t& request, bool saved);

    void Expire();
    void Reschedule();

    xcb_connection_t* c_;
    xcb_window_t root_;
    xcb_window_t window_ = XCB_NONE;
    std::uint32_t clientBits_ = 0;  // the part of a resource id that names its client
    qsizetype mostPart_ = 0;        // the most bytes one property change may carry

    struct Atoms {
        xcb_atom_t manager, clipboard, saveTargets, targets, timestamp, multiple, incr, null,
            managerMessage, deleteTarget, insertSelection, insertProperty;
    } atoms_{};
    std::vector<xcb_atom_t> fetchProperties_;  // used in turn, as late answers may still come
    std::size_t nextFetchProperty_ = 0;
    std::unordered_map<xcb_atom_t, QString> pictureFormats_;
    std::uint32_t serverTimeCounter_ = 0;

    bool held_ = false;  // CLIPBOARD_MANAGER
    xcb_timestamp_t heldSince_ = XCB_CURRENT_TIME;
    std::optional<Save> save_;
    std::vector<Value> offered_;  // while the role owns the clipboard
    bool offering_ = false;
    xcb_timestamp_t offeredSince_ = XCB_CURRENT_TIME;
    std::vector<Outgoing> outgoing_;

    QPointer<QObject> context_;
    QTimer* deadline_ = nullptr;
};

}  // namespace platform::Clipboard
