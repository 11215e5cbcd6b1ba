// The X11 clipboard's link, read without ever waiting for its owner. A connection of its own
// to the display learns who owns the clipboard from the XFixes selection events, asks the
// owner for its list of formats and then for one format, and takes the answers in the event
// loop like any other input, large ones in parts. Whatever the owner sends is untrusted:
// answers are checked before they are believed, transfers are held within the limits of
// Transfer, and the event loop gets its turn however fast the answers pour in. An owner that
// does not answer in time is not asked again while it (the same client) keeps the clipboard,
// however often it takes it anew; one that takes it anew while it still owes an answer is
// asked about its newest contents once it has answered. The user interface never waits for an
// owner.

#include "platform/clipboard/X11Link.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/clipboard/ImageFormats.h"
#include "platform/clipboard/Transfer.h"
#include "platform/clipboard/X11ManagerRole.h"
#include "platform/clipboard/XcbCalls.h"
#include "platform/runtime/Notice.h"
#include "platform/runtime/ReadWatch.h"

namespace platform::Clipboard {

namespace {

// Any live owner lists its formats at once.
constexpr int kListingMs = 1000;
// Encoding a picture may take its owner a while, and a large one arrives in many parts:
// each part gets this long.
constexpr int kTransferMs = 5000;
// The longest list of formats taken (256 KiB of atoms); no owner offers nearly as many.
constexpr std::size_t kMostTargets = 65536;
// While answers pour in, the event loop gets its turn at least this often.
constexpr auto kSlice = std::chrono::milliseconds(8);
// Emptying through a bridge: the clipboard is held this long at most for the bridge to ask what
// it holds, and this long after it has asked, for the bridge to pass the claim on.
constexpr int kBridgeHoldMs = 1000;
constexpr int kBridgePassMs = 300;

using Event = XcbPtr<xcb_generic_event_t>;

// A property of the link's window as read (and deleted) from the server.
struct PropertyValue {
    XcbPtr<xcb_get_property_reply_t> reply;
    std::int64_t oversize = 0;  // its whole size, when it was larger than asked for

    bool Ok() const { return reply != nullptr; }
    xcb_atom_t Type() const { return reply ? reply->type : XCB_NONE; }
    int Format() const { return reply ? reply->format : 0; }
    int Length() const { return reply ? xcb_get_property_value_length(reply.get()) : 0; }
    const char* Data() const {
        return reply ? static_cast<const char*>(xcb_get_property_value(reply.get())) : nullptr;
    }
};

enum class Stage { Idle, Listing, ListingParts, Asking, Receiving };

class X11Link final : public ClipboardLink {
  public:
    X11Link(xcb_connection_t* connection, X11Bridge bridge) : c_(connection), bridge_(bridge) {}
    ~X11Link() override {
        role_.reset();
        watch_.reset();
        delete context_.data();
        xcb_disconnect(c_);
    }
    X11Link(const X11Link&) = delete;
    X11Link& operator=(const X11Link&) = delete;

    bool Start(int screenNumber);
    void Begin() override {
        if (claims_ == 0 && initialOwner_ != XCB_NONE) {
            OwnerChanged(initialOwner_, XCB_CURRENT_TIME, seen_);
        }
    }

    void Receive(std::uint64_t claim, const QString& type) override;
    // Waiting for a reply may have queued events that the socket no longer announces.
    void CatchUp() override { Drain(false); }
    void Empty(std::uint64_t claim) override;

  private:
    xcb_timestamp_t ServerTime(std::vector<Event>& before);
    bool IsClipboardChange(const xcb_generic_event_t& event) const;
    void Drain(bool readSocket) noexcept;
    void DrainSoon();
    void Handle(const xcb_generic_event_t* event);
    void OwnerChanged(xcb_window_t owner, xcb_timestamp_t claimed, xcb_timestamp_t seen);
    void SelectionArrived(const xcb_selection_notify_event_t& event);
    void PartArrived(const xcb_property_notify_event_t& event);
    void ListArrived(int format, const char* data, std::size_t size);
    void ListPartArrived(const PropertyValue& part);
    void FormatArrived(PropertyValue value);
    void FormatPartArrived(const PropertyValue& part);
    void Answered(const QByteArray& bytes, std::shared_ptr<const void> keep);
    void OwnerSilent();
    void Ask(xcb_atom_t target, int deadlineMs);
    void AskList();
    bool AskedAgain();
    void Refuse(QString why, bool tryOthers = false);
    void Refused();
    void ListUnreadable(const PropertyValue& value);
    void FormatUnreadable(const PropertyValue& value);
    void Oversize(std::int64_t size);
    void Idle();
    bool IsRelay(std::uint32_t client);
    void AnswerRequest(const xcb_selection_request_event_t& request);
    void Release();
    PropertyValue ReadProperty(std::int64_t mostBytes);
    QStringList FormatNames(const xcb_atom_t* atoms, std::size_t count);

    xcb_connection_t* c_;
    X11Bridge bridge_;
    xcb_window_t window_ = XCB_NONE;
    std::uint8_t selectionEvent_ = 0;
    std::uint32_t clientBits_ = 0;  // the part of a resource id that names its client
    xcb_atom_t clipboard_ = XCB_NONE;
    xcb_atom_t targets_ = XCB_NONE;
    xcb_atom_t incr_ = XCB_NONE;
    xcb_atom_t time_ = XCB_NONE;  // a property changed only to learn the server's time
    // What the link offers while it holds the clipboard to empty it through the bridge, which
    // passes on only a claim that offers something; asked for, it gives nothing.
    xcb_atom_t emptied_ = XCB_NONE;
    // The window manager's selection: in a Wayland session its owner is the compositor's
    // bridge, which passes other programs' pictures on to X11.
    xcb_atom_t windowManager_ = XCB_NONE;
    bool waylandSession_ = false;
    // Answers go to these in turn, so a late answer to an abandoned question cannot pass
    // for the answer to the current one.
    std::array<xcb_atom_t, 4> properties_{};
    std::size_t nextProperty_ = 0;
    // The image formats the program reads, by the atoms that name them.
    std::unordered_map<xcb_atom_t, QString> imageFormats_;

    QPointer<QObject> context_;
    std::unique_ptr<ReadWatch> watch_;
    QTimer* deadline_ = nullptr;
    QTimer* release_ = nullptr;
    bool drainQueued_ = false;
    // Events that came before an answer was waited for, handled in turn by Drain.
    std::deque<Event> pending_;

    // The current claim of the clipboard.
    std::uint64_t claims_ = 0;
    std::uint64_t claim_ = 0;
    xcb_window_t owner_ = XCB_NONE;
    xcb_timestamp_t claimed_ = XCB_CURRENT_TIME;
    xcb_timestamp_t seen_ = XCB_CURRENT_TIME;
    xcb_timestamp_t held_ = XCB_CURRENT_TIME;  // since when the link holds it, emptying it
    xcb_window_t initialOwner_ = XCB_NONE;     // the owner when the link started

    // The question asked about it.
    Stage stage_ = Stage::Idle;
    std::uint64_t askedClaim_ = 0;
    std::uint32_t askedClient_ = 0;
    std::uint32_t silentClient_ = 0;
    bool askAgain_ = false;  // the owner replaced the contents it is being asked about
    xcb_atom_t target_ = XCB_NONE;
    xcb_atom_t property_ = XCB_NONE;
    std::unordered_map<QString, xcb_atom_t> offeredAtoms_;
    std::optional<Transfer> transfer_;
    QByteArray list_;  // a list of formats arriving in parts
    int listFormat_ = 0;

    // The clipboard manager's role, on this connection, when no other program holds it.
    std::optional<X11ManagerRole> role_;
};

bool X11Link::Start(int screenNumber) {
    const xcb_setup_t* setup = xcb_get_setup(c_);
    clientBits_ = ~setup->resource_id_mask;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.data == nullptr) {
        return false;
    }

    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c_, &xcb_xfixes_id);
    if (xfixes == nullptr || xfixes->present == 0) {
        return false;
    }
    selectionEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    const XcbPtr<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(c_, xcb_xfixes_query_version(c_, 1, 0), nullptr));
    if (!version) {
        return false;
    }

    const std::vector<xcb_atom_t> atoms = InternAtoms(
        c_, {QStringLiteral("CLIPBOARD"), QStringLiteral("TARGETS"), QStringLiteral("INCR"),
             QStringLiteral("VORNAL3_TIME"), QStringLiteral("WM_S%1").arg(screenNumber),
             QStringLiteral("VORNAL3_CLIPBOARD_0"), QStringLiteral("VORNAL3_CLIPBOARD_1"),
             QStringLiteral("VORNAL3_CLIPBOARD_2"), QStringLiteral("VORNAL3_CLIPBOARD_3"),
             QStringLiteral("application/x-vornal3-emptied")});
    if (std::find(atoms.begin(), atoms.end(), XCB_NONE) != atoms.end()) {
        return false;
    }
    clipboard_ = atoms[0];
    targets_ = atoms[1];
    incr_ = atoms[2];
    time_ = atoms[3];
    windowManager_ = atoms[4];
    std::copy(atoms.begin() + 5, atoms.begin() + 9, properties_.begin());
    emptied_ = atoms[9];

    // Formats are told apart by their atoms, so a list of formats costs no questions about
    // the names of atoms, however long it is.
    const QStringList known = KnownImageFormats();
    const std::vector<xcb_atom_t> knownAtoms = InternAtoms(c_, known);
    for (std::size_t i = 0; i < knownAtoms.size(); ++i) {
        if (knownAtoms[i] != XCB_NONE) {
            imageFormats_.emplace(knownAtoms[i], known[static_cast<qsizetype>(i)]);
        }
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    waylandSession_ = wayland != nullptr && *wayland != '\0';

    window_ = xcb_generate_id(c_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, 0, window_, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_xfixes_select_selection_input(c_, window_, clipboard_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);

    // Every change of the clipboard after this time arrives as an event; the owner asked for
    // below is the one the events before it led to, so those are dropped.
    std::vector<Event> before;
    const xcb_timestamp_t now = ServerTime(before);
    if (now == XCB_CURRENT_TIME) {
        return false;
    }
    const XcbPtr<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, clipboard_), nullptr));
    if (!owner) {
        return false;
    }

    context_ = new QObject(QCoreApplication::instance());
    watch_ = std::make_unique<ReadWatch>(xcb_get_file_descriptor(c_), [this] { Drain(true); });
    deadline_ = new QTimer(context_);
    deadline_->setSingleShot(true);
    QObject::connect(deadline_, &QTimer::timeout, context_, [this] {
        try {
            OwnerSilent();
        } catch (const std::exception& e) {
            Notice(QStringLiteral("reading the clipboard failed: %1").arg(e.what()));
            Idle();
        }
    });
    release_ = new QTimer(context_);
    release_->setSingleShot(true);
    QObject::connect(release_, &QTimer::timeout, context_, [this] { Release(); });

    initialOwner_ = owner->owner;
    seen_ = now;
    role_.emplace(c_, screens.data->root);
    role_->Start();
    return true;
}

// The server's time now, from a change to the window's own property. The events that came
// before the change are handed back in order.
xcb_timestamp_t X11Link::ServerTime(std::vector<Event>& before) {
    xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, time_, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c_);
    while (true) {
        Event event(xcb_wait_for_event(c_));
        if (!event) {
            return XCB_CURRENT_TIME;  // the connection broke
        }
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (notify->window == window_ && notify->atom == time_ &&
                notify->state == XCB_PROPERTY_NEW_VALUE) {
                return notify->time;
            }
        }
        before.push_back(std::move(event));
    }
}

bool X11Link::IsClipboardChange(const xcb_generic_event_t& event) const {
    return (event.response_type & 0x7f) == selectionEvent_ &&
           reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event).selection ==
               clipboard_;
}

void X11Link::Receive(std::uint64_t claim, const QString& type) {
    const auto atom = offeredAtoms_.find(type);
    if (claim != claim_ || stage_ != Stage::Idle || atom == offeredAtoms_.end()) {
        return;
    }
    stage_ = Stage::Asking;
    askedClaim_ = claim;
    transfer_.emplace(type);
    Ask(atom->second, kTransferMs);
}

// Only the claim that was read is emptied: where the clipboard changed after it, the newer claim
// stays and is read in turn. The emptying is as of now, so that the owner sees a time later
// than its own (toolkits disregard an emptying that is not).
void X11Link::Empty(std::uint64_t claim) {
    if (claim != claim_ || owner_ == XCB_NONE || owner_ == window_) {
        return;
    }
    std::vector<Event> before;
    const xcb_timestamp_t now = ServerTime(before);
    const auto newer = [this](const auto& event) { return IsClipboardChange(*event); };
    const bool replaced = std::any_of(before.begin(), before.end(), newer) ||
                          std::any_of(pending_.begin(), pending_.end(), newer);
    for (auto& event : before) {
        pending_.push_back(std::move(event));
    }
    if (!pending_.empty()) {
        DrainSoon();
    }
    if (now == XCB_CURRENT_TIME || replaced) {
        return;
    }
    if (bridge_ == X11Bridge::EmptyThrough) {
        // Held until the bridge has passed the claim on, or for a moment at most.
        held_ = now;
        xcb_set_selection_owner(c_, window_, clipboard_, held_);
        release_->start(kBridgeHoldMs);
    } else {
        xcb_set_selection_owner(c_, XCB_NONE, clipboard_, now);
    }
    xcb_flush(c_);
}

void X11Link::Release() {
    release_->stop();
    if (held_ == XCB_CURRENT_TIME) {
        return;
    }
    // A claim made meanwhile is later than the link's, and stays.
    xcb_set_selection_owner(c_, XCB_NONE, clipboard_, std::exchange(held_, XCB_CURRENT_TIME));
    xcb_flush(c_);
}

// While the link holds the clipboard, it offers nothing but the list of what it offers.
void X11Link::AnswerRequest(const xcb_selection_request_event_t& request) {
    xcb_atom_t answer = XCB_NONE;
    if (request.owner == window_ && request.selection == clipboard_ && request.target == targets_ &&
        request.property != XCB_NONE) {
        const std::array<xcb_atom_t, 2> offered{targets_, emptied_};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            XCB_ATOM_ATOM, 32, offered.size(), offered.data());
        answer = request.property;
    }
    AnswerSelectionRequest(c_, request, answer);
    xcb_flush(c_);
    if (answer != XCB_NONE && held_ != XCB_CURRENT_TIME) {
        // The bridge has seen the claim, and passes it on in a moment; then it may end.
        release_->start(kBridgePassMs);
    }
}

void X11Link::DrainSoon() {
    if (drainQueued_ || context_ == nullptr) {
        return;
    }
    drainQueued_ = true;
    QTimer::singleShot(0, context_, [this] {
        drainQueued_ = false;
        Drain(true);
    });
}

void X11Link::Drain(bool readSocket) noexcept {
    // The slice starts with the first event: a drain that finds none (every idle tick) costs
    // no look at the clock.
    std::chrono::steady_clock::time_point until{};
    try {
        while (true) {
            Event event;
            if (!pending_.empty()) {
                event = std::move(pending_.front());
                pending_.pop_front();
            } else {
                event.reset(readSocket ? xcb_poll_for_event(c_) : xcb_poll_for_queued_event(c_));
            }
            if (!event) {
                break;
            }
            if (until == std::chrono::steady_clock::time_point{}) {
                until = std::chrono::steady_clock::now() + kSlice;
            }
            Handle(event.get());
            if (std::chrono::steady_clock::now() > until) {
                // The rest after the user interface's own events.
                DrainSoon();
                break;
            }
        }
    } catch (const std::exception& e) {
        Notice(QStringLiteral("reading the clipboard failed: %1").arg(e.what()));
        Idle();
    }
    if (xcb_connection_has_error(c_) != 0 && watch_ && watch_->IsEnabled()) {
        // The display is gone; the toolkit ends the program in its own way.
        watch_->SetEnabled(false);
    }
}

void X11Link::Handle(const xcb_generic_event_t* event) {
    if (role_ && role_->Handle(*event)) {
        return;
    }
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == selectionEvent_) {
        const auto& notify = *reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify.selection == clipboard_) {
            // A closed owner or a destroyed owner window leaves the clipboard empty.
            const bool set = notify.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
            OwnerChanged(set ? notify.owner : XCB_NONE, notify.selection_timestamp,
                         notify.timestamp);
        }
    } else if (type == XCB_SELECTION_NOTIFY) {
        SelectionArrived(*reinterpret_cast<const xcb_selection_notify_event_t*>(event));
    } else if (type == XCB_SELECTION_REQUEST) {
        AnswerRequest(*reinterpret_cast<const xcb_selection_request_event_t*>(event));
    } else if (type == XCB_PROPERTY_NOTIFY) {
        PartArrived(*reinterpret_cast<const xcb_property_notify_event_t*>(event));
    }
    // Errors of our requests (an owner gone mid-answer) are covered by the deadline.
}

void X11Link::OwnerChanged(xcb_window_t owner, xcb_timestamp_t claimed, xcb_timestamp_t seen) {
    const bool waiting = stage_ != Stage::Idle;
    owner_ = owner;
    claimed_ = claimed;
    seen_ = seen;
    claim_ = owner == XCB_NONE ? 0 : ++claims_;
    if (listener_ != nullptr) {
        listener_->Changed(*this, claim_);
    }
    if (owner == window_) {
        return;  // the link itself, emptying through the bridge
    }
    const std::uint32_t client = owner & clientBits_;
    if (waiting && owner != XCB_NONE && client == askedClient_) {
        // The owner took the clipboard anew while it still owes an answer: it is not asked
        // again until it answers, and gets no more time than it had left.
        askAgain_ = true;
        return;
    }
    Idle();
    if (owner == XCB_NONE) {
        silentClient_ = 0;
        return;
    }
    if (client == silentClient_ || (bridge_ == X11Bridge::LeaveToWayland && IsRelay(client))) {
        return;
    }
    silentClient_ = 0;
    askedClient_ = client;
    AskList();
}

void X11Link::AskList() {
    askedClaim_ = claim_;
    stage_ = Stage::Listing;
    Ask(targets_, kListingMs);
}

// An answer came, but it was about contents the owner has since replaced: ask about the new.
bool X11Link::AskedAgain() {
    if (!askAgain_) {
        return false;
    }
    Idle();
    AskList();
    return true;
}

void X11Link::Ask(xcb_atom_t target, int deadlineMs) {
    target_ = target;
    property_ = properties_[nextProperty_++ % properties_.size()];
    xcb_delete_property(c_, window_, property_);
    xcb_convert_selection(c_, window_, clipboard_, target, property_, claimed_);
    xcb_flush(c_);
    deadline_->start(deadlineMs);
}

PropertyValue X11Link::ReadProperty(std::int64_t mostBytes) {
    // All of it in one reply, deleted as it is read (which also asks for the next part of an
    // answer sent in parts); but no more than mostBytes and a little, so that an owner cannot
    // make the reply itself as large as it likes.
    const auto units = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(mostBytes / 4 + 1, 1, std::int64_t{UINT32_MAX} / 4));
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c_, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, units);
    PropertyValue value{
        XcbPtr<xcb_get_property_reply_t>(xcb_get_property_reply(c_, cookie, nullptr)), 0};
    if (value.reply && value.reply->bytes_after != 0) {
        // Not deleted by the server, since not all of it was read.
        value.oversize = std::int64_t{value.Length()} + value.reply->bytes_after;
        value.reply.reset();
        xcb_delete_property(c_, window_, property_);
        xcb_flush(c_);
    }
    return value;
}

QStringList X11Link::FormatNames(const xcb_atom_t* atoms, std::size_t count) {
    QStringList names;
    offeredAtoms_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const auto known = imageFormats_.find(atoms[i]);
        if (known != imageFormats_.end() && offeredAtoms_.emplace(known->second, atoms[i]).second) {
            names.append(known->second);
        }
    }
    return names;
}

void X11Link::SelectionArrived(const xcb_selection_notify_event_t& event) {
    if ((stage_ != Stage::Listing && stage_ != Stage::Asking) || event.requestor != window_ ||
        event.selection != clipboard_ || event.target != target_ ||
        (event.property != XCB_NONE && event.property != property_)) {
        return;  // an answer to a question no longer asked
    }
    deadline_->stop();
    if (AskedAgain()) {
        return;
    }
    if (stage_ == Stage::Listing) {
        if (event.property == XCB_NONE) {
            Refuse(QStringLiteral("its owner gave no list of its formats"));
            return;
        }
        const PropertyValue list = ReadProperty(static_cast<std::int64_t>(kMostTargets) * 4);
        if (!list.Ok()) {
            ListUnreadable(list);
            return;
        }
        if (list.Type() == incr_) {
            stage_ = Stage::ListingParts;
            list_ = {};
            listFormat_ = 0;
            deadline_->start(kListingMs);
            return;
        }
        ListArrived(list.Format(), list.Data(), static_cast<std::size_t>(list.Length()));
        return;
    }
    if (event.property == XCB_NONE) {
        Refuse(transfer_->Format() + QStringLiteral(" was refused by the clipboard's owner"), true);
        return;
    }
    FormatArrived(ReadProperty(transfer_->Limit()));
}

void X11Link::ListArrived(int format, const char* data, std::size_t size) {
    if (format != 32) {
        Refuse(QStringLiteral("its list of formats came in %1-bit items instead of atoms")
                   .arg(format));
        return;
    }
    const QStringList types =
        FormatNames(reinterpret_cast<const xcb_atom_t*>(data), size / sizeof(xcb_atom_t));
    const std::uint64_t claim = askedClaim_;
    Idle();
    if (listener_ != nullptr) {
        listener_->Offered(*this, {claim, types, IsRelay(askedClient_)});
    }
}

void X11Link::FormatArrived(PropertyValue value) {
    if (!value.Ok()) {
        FormatUnreadable(value);
        return;
    }
    if (value.Type() == incr_) {
        // Sent in parts; the owner's lower bound for the size, where it gives one, counts
        // against the limits before anything arrives.
        if (value.Format() == 32 && value.Length() == 4 &&
            !transfer_->Announce(*reinterpret_cast<const std::uint32_t*>(value.Data()))) {
            Refused();
            return;
        }
        stage_ = Stage::Receiving;
        deadline_->start(kTransferMs);
        return;
    }
    if (value.Format() != 8) {
        Refuse(transfer_->Format() +
                   QStringLiteral(" came in %1-bit items instead of bytes").arg(value.Format()),
               true);
        return;
    }
    if (!transfer_->CheckWhole(value.Data(), static_cast<std::size_t>(value.Length()))) {
        Refused();
        return;
    }
    // Decoded straight from the reply, without a copy.
    const QByteArray bytes = QByteArray::fromRawData(value.Data(), value.Length());
    Answered(bytes, std::shared_ptr<const xcb_get_property_reply_t>(std::move(value.reply)));
}

void X11Link::PartArrived(const xcb_property_notify_event_t& event) {
    if ((stage_ != Stage::Receiving && stage_ != Stage::ListingParts) || event.window != window_ ||
        event.atom != property_ || event.state != XCB_PROPERTY_NEW_VALUE) {
        return;
    }
    const PropertyValue part =
        stage_ == Stage::ListingParts
            ? ReadProperty(static_cast<std::int64_t>(kMostTargets) * 4 - list_.size())
            : ReadProperty(transfer_->Limit() - transfer_->Received());
    if (AskedAgain()) {
        return;
    }
    if (stage_ == Stage::ListingParts) {
        ListPartArrived(part);
    } else {
        FormatPartArrived(part);
    }
}

void X11Link::ListPartArrived(const PropertyValue& part) {
    if (!part.Ok()) {
        ListUnreadable(part);
        return;
    }
    if (part.Length() == 0) {
        deadline_->stop();
        const QByteArray list = std::move(list_);
        list_ = {};
        ListArrived(listFormat_ == 0 ? 32 : listFormat_, list.constData(),
                    static_cast<std::size_t>(list.size()));
        return;
    }
    if (listFormat_ == 0) {
        listFormat_ = part.Format();
    }
    if (part.Format() != listFormat_ ||
        list_.size() + part.Length() > static_cast<qsizetype>(kMostTargets) * 4) {
        Refuse(QStringLiteral("its list of formats came in parts that do not fit together"));
        return;
    }
    list_.append(part.Data(), part.Length());
    deadline_->start(kListingMs);
}

void X11Link::FormatPartArrived(const PropertyValue& part) {
    if (!part.Ok()) {
        FormatUnreadable(part);
        return;
    }
    if (part.Length() == 0) {
        deadline_->stop();
        auto whole = std::make_shared<const Transfer>(std::move(*transfer_));
        transfer_.reset();
        Answered(whole->Bytes(), whole);
        return;
    }
    if (part.Format() != 8) {
        Refuse(
            transfer_->Format() + QStringLiteral(" came in parts of %1-bit items instead of bytes")
                                      .arg(part.Format()),
            true);
        return;
    }
    if (!transfer_->Append(part.Data(), static_cast<std::size_t>(part.Length()))) {
        Refused();
        return;
    }
    deadline_->start(kTransferMs);
}

// Whether a client passes other programs' pictures on: in a Wayland session, the compositor's
// bridge to X11, which owns the window manager's selection, offers the last picture anew
// whenever the focus comes back to an X11 window.
bool X11Link::IsRelay(std::uint32_t client) {
    if (!waylandSession_) {
        return false;
    }
    const XcbPtr<xcb_get_selection_owner_reply_t> manager(
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, windowManager_), nullptr));
    return manager && manager->owner != XCB_NONE && (manager->owner & clientBits_) == client;
}

// One format's bytes, whole; `keep` holds what they lie in.
void X11Link::Answered(const QByteArray& bytes, std::shared_ptr<const void> keep) {
    const std::uint64_t claim = askedClaim_;
    Idle();
    if (listener_ != nullptr) {
        listener_->Received(*this, claim, bytes, std::move(keep));
    }
}

// The owner's answer gives nothing: for this format only, or for this claim.
// `why` is a copy: it may lie in the transfer that ends here.
void X11Link::Refuse(QString why,  // NOLINT(performance-unnecessary-value-param)
                     bool tryOthers) {
    const std::uint64_t claim = askedClaim_;
    Idle();
    if (listener_ != nullptr) {
        listener_->Refused(*this, claim, why, tryOthers);
    }
}

// The transfer refused what arrived: over its limits, the claim gives nothing more; bytes that
// are no picture only fail their format.
void X11Link::Refused() {
    Refuse(transfer_->Refusal(), !transfer_->OverLimit());
}

// A list of formats, or a part of it, that did not come.
void X11Link::ListUnreadable(const PropertyValue& value) {
    Refuse(value.oversize != 0
               ? QStringLiteral("its list of formats is longer than %1").arg(kMostTargets)
               : QStringLiteral("its list of formats could not be read"));
}

// A format's reply, or a part of it, that did not come: too large, or not at all.
void X11Link::FormatUnreadable(const PropertyValue& value) {
    if (value.oversize != 0) {
        Oversize(value.oversize);
        return;
    }
    Refuse(transfer_->Format() + QStringLiteral(" could not be read"), true);
}

// A reply or part larger than the transfer may still take.
void X11Link::Oversize(std::int64_t size) {
    transfer_->Expect(size);
    Refuse(transfer_->Refused() ? transfer_->Refusal()
                                : transfer_->Format() + QStringLiteral(" could not be read whole"));
}

void X11Link::Idle() {
    stage_ = Stage::Idle;
    askAgain_ = false;
    if (deadline_ != nullptr) {
        deadline_->stop();
    }
    transfer_.reset();
    list_ = {};
}

void X11Link::OwnerSilent() {
    if (stage_ == Stage::Idle) {
        return;
    }
    silentClient_ = askedClient_;
    if (askAgain_) {
        askedClaim_ = claim_;  // the same owner claimed anew meanwhile: its silence is the news
    }
    const bool listing = stage_ == Stage::Listing || stage_ == Stage::ListingParts;
    Refuse(QStringLiteral("its owner did not answer within %1 s, and is not asked again while it "
                          "keeps the clipboard")
               .arg((listing ? kListingMs : kTransferMs) / 1000));
}

}  // namespace

std::unique_ptr<ClipboardLink> OpenX11Link(X11Bridge bridge) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    auto link = std::make_unique<X11Link>(connection, bridge);
    if (xcb_connection_has_error(connection) != 0 || !link->Start(screenNumber)) {
        Notice(
            std::string_view("the X11 clipboard is read through the toolkit: a second "
                             "connection to the display could not be set up"));
        return nullptr;
    }
    return link;
}

}  // namespace platform::Clipboard
