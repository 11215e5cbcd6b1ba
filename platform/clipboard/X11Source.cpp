// The X11 clipboard, read without ever waiting for its owner. A connection of its own to the
// display learns who owns the clipboard from the XFixes selection events, asks the owner for
// its list of formats and then for one picture format, and takes the answers in the event
// loop like any other input, large pictures in parts. An owner that does not answer in time
// is not asked again while it (the same client) keeps the clipboard, however often it takes
// it anew; the user interface never waits for an owner.

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/FormatPlan.h"

namespace platform::Clipboard {

namespace {

// Any live owner lists its formats at once.
constexpr int kListingMs = 1000;
// Encoding a picture may take its owner a while, and a large one arrives in many parts:
// each part gets this long.
constexpr int kTransferMs = 5000;
// More formats than any owner offers; a longer list is cut here.
constexpr std::size_t kMostTargets = 512;

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// A property of the reader's window as read (and deleted) from the server.
struct PropertyValue {
    XcbPtr<xcb_get_property_reply_t> reply;

    bool Ok() const { return reply != nullptr; }
    xcb_atom_t Type() const { return reply ? reply->type : XCB_NONE; }
    int Length() const { return reply ? xcb_get_property_value_length(reply.get()) : 0; }
    const char* Data() const {
        return reply ? static_cast<const char*>(xcb_get_property_value(reply.get())) : nullptr;
    }
};

enum class Stage { Idle, Listing, Asking, Receiving };

class X11Source final : public ClipboardSource {
  public:
    explicit X11Source(xcb_connection_t* connection) : c_(connection) {}
    ~X11Source() override {
        delete context_.data();
        xcb_disconnect(c_);
    }
    X11Source(const X11Source&) = delete;
    X11Source& operator=(const X11Source&) = delete;

    bool Start(int screenNumber);

    Picture Current() override {
        // Waiting for a reply may have queued events that the socket no longer announces.
        Drain(false);
        return taken_ ? Picture() : picture_;
    }

    void Clear() override;

    void Changed() override {}

  private:
    xcb_timestamp_t ServerTime(std::vector<XcbPtr<xcb_generic_event_t>>& before);
    bool IsClipboardChange(const xcb_generic_event_t& event) const;
    void Drain(bool readSocket) noexcept;
    void Handle(const xcb_generic_event_t* event);
    void OwnerChanged(xcb_window_t owner, xcb_timestamp_t claimed, xcb_timestamp_t seen);
    void SelectionArrived(const xcb_selection_notify_event_t& event);
    void PartArrived(const xcb_property_notify_event_t& event);
    void OwnerSilent();
    void Ask(xcb_atom_t target, int deadlineMs);
    bool AskedAgain();
    void AskNextFormat();
    void Take(const QByteArray& bytes);
    void Finish();
    PropertyValue ReadProperty();
    QStringList FormatNames(const xcb_atom_t* atoms, std::size_t count);
    std::vector<xcb_atom_t> Intern(const std::vector<QByteArray>& names);

    xcb_connection_t* c_;
    xcb_window_t window_ = XCB_NONE;
    std::uint8_t selectionEvent_ = 0;
    std::uint32_t clientBits_ = 0;  // the part of a resource id that names its client
    xcb_atom_t clipboard_ = XCB_NONE;
    xcb_atom_t targets_ = XCB_NONE;
    xcb_atom_t incr_ = XCB_NONE;
    xcb_atom_t time_ = XCB_NONE;  // a property changed only to learn the server's time
    // Answers go to these in turn, so a late answer to an abandoned question cannot pass
    // for the answer to the current one.
    std::array<xcb_atom_t, 4> properties_{};
    std::size_t nextProperty_ = 0;

    QPointer<QObject> context_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* deadline_ = nullptr;

    // The current contents of the clipboard.
    xcb_window_t owner_ = XCB_NONE;
    xcb_timestamp_t claimed_ = XCB_CURRENT_TIME;
    xcb_timestamp_t seen_ = XCB_CURRENT_TIME;
    Picture picture_;
    bool taken_ = false;

    // The read of them.
    Stage stage_ = Stage::Idle;
    std::uint32_t askedClient_ = 0;
    std::uint32_t silentClient_ = 0;
    bool askAgain_ = false;  // the owner replaced the contents it is being asked about
    xcb_atom_t target_ = XCB_NONE;
    xcb_atom_t property_ = XCB_NONE;
    FormatPlan plan_;
    std::unordered_map<QString, xcb_atom_t> formatAtoms_;
    std::unordered_map<xcb_atom_t, QString> atomNames_;
    QByteArray received_;
};

std::vector<xcb_atom_t> X11Source::Intern(const std::vector<QByteArray>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const QByteArray& name : names) {
        cookies.push_back(
            xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.constData()));
    }
    std::vector<xcb_atom_t> atoms;
    for (const auto& cookie : cookies) {
        const XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c_, cookie, nullptr));
        atoms.push_back(reply ? reply->atom : XCB_NONE);
    }
    return atoms;
}

bool X11Source::Start(int screenNumber) {
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

    const std::vector<xcb_atom_t> atoms =
        Intern({"CLIPBOARD", "TARGETS", "INCR", "VORNAL3_TIME", "VORNAL3_CLIPBOARD_0",
                "VORNAL3_CLIPBOARD_1", "VORNAL3_CLIPBOARD_2", "VORNAL3_CLIPBOARD_3"});
    for (const xcb_atom_t atom : atoms) {
        if (atom == XCB_NONE) {
            return false;
        }
    }
    clipboard_ = atoms[0];
    targets_ = atoms[1];
    incr_ = atoms[2];
    time_ = atoms[3];
    std::copy(atoms.begin() + 4, atoms.end(), properties_.begin());

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
    std::vector<XcbPtr<xcb_generic_event_t>> before;
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
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c_), QSocketNotifier::Read, context_);
    QObject::connect(notifier_, &QSocketNotifier::activated, context_, [this] { Drain(true); });
    deadline_ = new QTimer(context_);
    deadline_->setSingleShot(true);
    QObject::connect(deadline_, &QTimer::timeout, context_, [this] {
        try {
            OwnerSilent();
        } catch (const std::exception&) {
            stage_ = Stage::Idle;
        }
    });

    OwnerChanged(owner->owner, XCB_CURRENT_TIME, now);
    return true;
}

// The server's time now, from a change to the window's own property. The events that came
// before the change are handed back in order.
xcb_timestamp_t X11Source::ServerTime(std::vector<XcbPtr<xcb_generic_event_t>>& before) {
    xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, time_, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c_);
    while (true) {
        XcbPtr<xcb_generic_event_t> event(xcb_wait_for_event(c_));
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

bool X11Source::IsClipboardChange(const xcb_generic_event_t& event) const {
    return (event.response_type & 0x7f) == selectionEvent_ &&
           reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event).selection ==
               clipboard_;
}

void X11Source::Clear() {
    taken_ = true;
    picture_ = {};
    if (owner_ == XCB_NONE) {
        return;
    }
    // Emptied as of now, so that the owner sees a time later than its own; but where the
    // clipboard changed after the contents were seen, as of then, so that the newer contents
    // stay and are read in turn.
    std::vector<XcbPtr<xcb_generic_event_t>> before;
    xcb_timestamp_t time = ServerTime(before);
    if (time == XCB_CURRENT_TIME ||
        std::any_of(before.begin(), before.end(),
                    [this](const auto& event) { return IsClipboardChange(*event); })) {
        time = seen_;
    }
    xcb_set_selection_owner(c_, XCB_NONE, clipboard_, time);
    xcb_flush(c_);
    try {
        for (const auto& event : before) {
            Handle(event.get());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornal3: reading the clipboard failed: %s\n", e.what());
        stage_ = Stage::Idle;
    }
}

void X11Source::Drain(bool readSocket) noexcept {
    try {
        while (true) {
            const XcbPtr<xcb_generic_event_t> event(readSocket ? xcb_poll_for_event(c_)
                                                               : xcb_poll_for_queued_event(c_));
            if (!event) {
                break;
            }
            Handle(event.get());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornal3: reading the clipboard failed: %s\n", e.what());
        stage_ = Stage::Idle;
        received_ = {};
    }
    if (xcb_connection_has_error(c_) != 0 && notifier_ != nullptr && notifier_->isEnabled()) {
        // The display is gone; the toolkit ends the program in its own way.
        notifier_->setEnabled(false);
    }
}

void X11Source::Handle(const xcb_generic_event_t* event) {
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
    } else if (type == XCB_PROPERTY_NOTIFY) {
        PartArrived(*reinterpret_cast<const xcb_property_notify_event_t*>(event));
    }
    // Errors of our requests (an owner gone mid-answer) are covered by the deadline.
}

void X11Source::OwnerChanged(xcb_window_t owner, xcb_timestamp_t claimed, xcb_timestamp_t seen) {
    const bool waiting = stage_ != Stage::Idle;
    owner_ = owner;
    claimed_ = claimed;
    seen_ = seen;
    picture_ = {};
    taken_ = false;
    if (waiting && owner != XCB_NONE && (owner & clientBits_) == askedClient_) {
        // The owner took the clipboard anew while it still owes an answer: it is not asked
        // again until it answers, and gets no more time than it had left.
        askAgain_ = true;
        return;
    }
    askAgain_ = false;
    stage_ = Stage::Idle;
    plan_ = {};
    received_ = {};
    if (owner == XCB_NONE) {
        silentClient_ = 0;
        deadline_->stop();
        return;
    }
    const std::uint32_t client = owner & clientBits_;
    if (client != silentClient_) {
        silentClient_ = 0;
    } else {
        deadline_->stop();
        return;
    }
    askedClient_ = client;
    Ask(targets_, kListingMs);
    stage_ = Stage::Listing;
}

// An answer came, but it was about contents the owner has since replaced: ask about the new.
bool X11Source::AskedAgain() {
    if (!askAgain_) {
        return false;
    }
    askAgain_ = false;
    received_ = QByteArray();
    plan_ = {};
    stage_ = Stage::Listing;
    Ask(targets_, kListingMs);
    return true;
}

void X11Source::Ask(xcb_atom_t target, int deadlineMs) {
    target_ = target;
    property_ = properties_[nextProperty_++ % properties_.size()];
    xcb_delete_property(c_, window_, property_);
    xcb_convert_selection(c_, window_, clipboard_, target, property_, claimed_);
    xcb_flush(c_);
    deadline_->start(deadlineMs);
}

PropertyValue X11Source::ReadProperty() {
    // All of it in one reply, deleted as it is read (which also asks for the next part of a
    // picture sent in parts).
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c_, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4);
    PropertyValue value{
        XcbPtr<xcb_get_property_reply_t>(xcb_get_property_reply(c_, cookie, nullptr))};
    if (value.reply && value.reply->bytes_after != 0) {
        value.reply.reset();
    }
    return value;
}

QStringList X11Source::FormatNames(const xcb_atom_t* atoms, std::size_t count) {
    count = std::min(count, kMostTargets);
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> asked;
    for (std::size_t i = 0; i < count; ++i) {
        if (atoms[i] != XCB_NONE && atomNames_.count(atoms[i]) == 0) {
            asked.emplace_back(atoms[i], xcb_get_atom_name(c_, atoms[i]));
            atomNames_[atoms[i]] = QString();
        }
    }
    for (const auto& [atom, cookie] : asked) {
        const XcbPtr<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(c_, cookie, nullptr));
        if (reply) {
            atomNames_[atom] = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                   xcb_get_atom_name_name_length(reply.get()));
        }
    }
    QStringList names;
    formatAtoms_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const QString& name = atomNames_[atoms[i]];
        if (!name.isEmpty() && formatAtoms_.emplace(name, atoms[i]).second) {
            names.append(name);
        }
    }
    return names;
}

void X11Source::SelectionArrived(const xcb_selection_notify_event_t& event) {
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
        const PropertyValue list = event.property == XCB_NONE ? PropertyValue{} : ReadProperty();
        if (!list.Ok() || list.Type() == incr_ || list.reply->format != 32) {
            Finish();  // no formats listed: nothing to take
            return;
        }
        const auto count = static_cast<std::size_t>(list.Length()) / sizeof(xcb_atom_t);
        plan_ = FormatPlan(FormatNames(reinterpret_cast<const xcb_atom_t*>(list.Data()), count));
        AskNextFormat();
        return;
    }
    if (event.property == XCB_NONE) {
        plan_.Refused(QStringLiteral("was refused by the clipboard's owner"));
        AskNextFormat();
        return;
    }
    const PropertyValue value = ReadProperty();
    if (!value.Ok()) {
        plan_.Refused(QStringLiteral("could not be read"));
        AskNextFormat();
        return;
    }
    if (value.Type() == incr_) {
        stage_ = Stage::Receiving;
        received_ = QByteArray();
        if (value.Length() == 4) {
            // The owner's lower bound for the size: room for all of it at once.
            const std::uint32_t bound = *reinterpret_cast<const std::uint32_t*>(value.Data());
            received_.reserve(static_cast<qsizetype>(std::min<std::uint32_t>(bound, 1u << 30)));
        }
        deadline_->start(kTransferMs);
        return;
    }
    // Decoded straight from the reply, without a copy.
    Take(QByteArray::fromRawData(value.Data(), value.Length()));
}

void X11Source::PartArrived(const xcb_property_notify_event_t& event) {
    if (stage_ != Stage::Receiving || event.window != window_ || event.atom != property_ ||
        event.state != XCB_PROPERTY_NEW_VALUE) {
        return;
    }
    const PropertyValue part = ReadProperty();
    if (AskedAgain()) {
        return;
    }
    if (!part.Ok()) {
        plan_.Refused(QStringLiteral("could not be read"));
        AskNextFormat();
        return;
    }
    if (part.Length() == 0) {
        deadline_->stop();
        const QByteArray all = std::move(received_);
        received_ = QByteArray();
        Take(all);
        return;
    }
    try {
        received_.append(part.Data(), part.Length());
    } catch (const std::bad_alloc&) {
        received_ = QByteArray();
        plan_.Refused(QStringLiteral("does not fit in memory"));
        AskNextFormat();
        return;
    }
    deadline_->start(kTransferMs);
}

void X11Source::Take(const QByteArray& bytes) {
    Picture picture = plan_.Take(bytes);
    if (picture.IsEmpty()) {
        AskNextFormat();
        return;
    }
    picture_ = std::move(picture);
    Finish();
}

void X11Source::AskNextFormat() {
    if (const auto format = plan_.Next()) {
        stage_ = Stage::Asking;
        Ask(formatAtoms_[*format], kTransferMs);
        return;
    }
    Finish();
}

void X11Source::Finish() {
    stage_ = Stage::Idle;
    askAgain_ = false;
    deadline_->stop();
    received_ = QByteArray();
    if (picture_.IsEmpty()) {
        plan_.ReportFailures();
    }
}

void X11Source::OwnerSilent() {
    if (stage_ == Stage::Idle) {
        return;
    }
    silentClient_ = askedClient_;
    askAgain_ = false;
    const int seconds = (stage_ == Stage::Listing ? kListingMs : kTransferMs) / 1000;
    stage_ = Stage::Idle;
    received_ = QByteArray();
    plan_.Fail(QStringLiteral("its owner did not answer within %1 s, and is not asked again "
                              "while it keeps the clipboard")
                   .arg(seconds));
    plan_.ReportFailures();
}

}  // namespace

std::unique_ptr<ClipboardSource> OpenX11Source() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    auto source = std::make_unique<X11Source>(connection);
    if (xcb_connection_has_error(connection) != 0 || !source->Start(screenNumber)) {
        std::fputs(
            "vornal3: the clipboard is read through the toolkit: a second connection "
            "to the display could not be set up\n",
            stderr);
        return nullptr;
    }
    return source;
}

}  // namespace platform::Clipboard
