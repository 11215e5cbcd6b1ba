#include "platform/clipboard/X11ManagerRole.h"

#include <xcb/sync.h>

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "platform/clipboard/ImageFormats.h"
#include "platform/clipboard/XcbCalls.h"
#include "platform/runtime/Notice.h"

namespace platform::Clipboard {

namespace {

// Any live owner lists its formats at once.
constexpr int kSaveListingMs = 1000;
// Encoding a picture may take the ending program a while, and a large one arrives in many
// parts: each answer and each part gets this long.
constexpr int kSaveAnswerMs = 5000;
// A client pasting in parts takes each part as soon as it is there.
constexpr int kPasteAnswerMs = 5000;
// The longest list of targets read; no program offers nearly as many.
constexpr std::uint32_t kMostListedTargets = 4096;
constexpr std::size_t kSavingProperties = 4;

template <class T>
using Reply = XcbPtr<T>;
using PropertyReply = Reply<xcb_get_property_reply_t>;

// Whether X time a comes before b, across the wrap of the server's 32-bit millisecond clock.
bool TimeBefore(xcb_timestamp_t a, xcb_timestamp_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// A property of a window as read from the server (deleted with `remove`), or null when it
// is more than mostBytes, so that no client can make a reply as large as it likes.
PropertyReply ReadBounded(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                          bool remove, std::int64_t mostBytes) {
    const auto units = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(mostBytes / 4 + 1, 1, std::int64_t{UINT32_MAX} / 4));
    PropertyReply reply(xcb_get_property_reply(
        c, xcb_get_property(c, remove, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units),
        nullptr));
    if (reply &&
        (reply->bytes_after != 0 || xcb_get_property_value_length(reply.get()) > mostBytes)) {
        reply.reset();
        if (remove) {
            xcb_delete_property(c, window, property);  // not deleted, since not all was read
        }
    }
    return reply;
}

const char* DataOf(const PropertyReply& reply) {
    return static_cast<const char*>(xcb_get_property_value(reply.get()));
}

qsizetype LengthOf(const PropertyReply& reply) {
    return xcb_get_property_value_length(reply.get());
}

// A list of atoms as read from a property: its first kMostListedTargets.
std::vector<xcb_atom_t> AtomsIn(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                bool remove, xcb_atom_t incr) {
    const PropertyReply reply(
        xcb_get_property_reply(c,
                               xcb_get_property(c, remove, window, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kMostListedTargets),
                               nullptr));
    if (remove) {
        xcb_delete_property(c, window, property);  // when longer than was read
    }
    if (!reply || reply->format != 32 || reply->type == incr) {
        return {};
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {atoms, atoms + xcb_get_property_value_length(reply.get()) / 4};
}

// The id of the server's SERVERTIME counter (the SYNC extension's), or 0 where it has none.
std::uint32_t ServerTimeCounter(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(c, &xcb_sync_id);
    if (sync == nullptr || sync->present == 0) {
        return 0;
    }
    const Reply<xcb_sync_initialize_reply_t> version(xcb_sync_initialize_reply(
        c, xcb_sync_initialize(c, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION), nullptr));
    const Reply<xcb_sync_list_system_counters_reply_t> counters(
        xcb_sync_list_system_counters_reply(c, xcb_sync_list_system_counters(c), nullptr));
    if (!version || !counters) {
        return 0;
    }
    // Each counter is its id (4 bytes), resolution (8), the length of its name (2) and the name,
    // padded to whole words. Read here by hand: the library's reading is two bytes off.
    static_assert(sizeof(xcb_sync_list_system_counters_reply_t) == 32);
    const char* list = reinterpret_cast<const char*>(counters.get()) + 32;
    const std::size_t size = std::size_t{counters->length} * 4;
    for (std::size_t at = 0, n = 0; n < counters->counters_len && at + 14 <= size; ++n) {
        std::uint32_t id = 0;
        std::uint16_t nameLength = 0;
        std::memcpy(&id, list + at, sizeof id);
        std::memcpy(&nameLength, list + at + 12, sizeof nameLength);
        if (at + 14 + nameLength > size) {
            break;
        }
        if (std::string_view(list + at + 14, nameLength) == "SERVERTIME") {
            return id;
        }
        at += (14 + std::size_t{nameLength} + 3) / 4 * 4;
    }
    return 0;
}

}  // namespace

X11ManagerRole::X11ManagerRole(xcb_connection_t* connection, xcb_window_t root)
    : c_(connection), root_(root) {}

X11ManagerRole::~X11ManagerRole() {
    delete context_.data();
}

// The server's time now, from its SERVERTIME counter. It comes as a reply, so that no event
// is read here that the connection's other users are owed.
xcb_timestamp_t X11ManagerRole::ServerTime() {
    if (serverTimeCounter_ == XCB_NONE) {
        return XCB_CURRENT_TIME;
    }
    const Reply<xcb_sync_query_counter_reply_t> value(
        xcb_sync_query_counter_reply(c_, xcb_sync_query_counter(c_, serverTimeCounter_), nullptr));
    return value ? value->counter_value.lo : XCB_CURRENT_TIME;
}

xcb_window_t X11ManagerRole::OwnerOf(xcb_atom_t selection) {
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr));
    return owner ? owner->owner : XCB_NONE;
}

bool X11ManagerRole::Start() {
    if (window_ != XCB_NONE) {
        return held_;
    }
    const xcb_setup_t* setup = xcb_get_setup(c_);
    clientBits_ = ~setup->resource_id_mask;
    // As much as one request may carry without the big-requests extension, less the property
    // change's own 24 bytes, in whole words so that no 16- or 32-bit item is cut.
    mostPart_ = (qsizetype{setup->maximum_request_length} * 4 - 24) / 4 * 4;

    serverTimeCounter_ = ServerTimeCounter(c_);
    QStringList names =
        QStringLiteral(
            "CLIPBOARD_MANAGER CLIPBOARD SAVE_TARGETS TARGETS TIMESTAMP MULTIPLE INCR "
            "NULL MANAGER DELETE INSERT_SELECTION INSERT_PROPERTY")
            .split(QLatin1Char(' '));
    for (std::size_t i = 0; i < kSavingProperties; ++i) {
        names.append(QStringLiteral("VORNAL3_SAVING_%1").arg(i));
    }
    const std::vector<xcb_atom_t> atoms = InternAtoms(c_, names);
    if (std::find(atoms.begin(), atoms.end(), XCB_NONE) != atoms.end()) {
        return false;
    }
    atoms_ = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4],  atoms[5],
              atoms[6], atoms[7], atoms[8], atoms[9], atoms[10], atoms[11]};
    fetchProperties_.assign(atoms.begin() + 12, atoms.end());
    const QStringList known = KnownImageFormats();
    const std::vector<xcb_atom_t> knownAtoms = InternAtoms(c_, known);
    for (std::size_t i = 0; i < knownAtoms.size(); ++i) {
        if (knownAtoms[i] != XCB_NONE) {
            pictureFormats_.emplace(knownAtoms[i], known[static_cast<qsizetype>(i)]);
        }
    }

    // Taken as of a time before the look at its owner: a program that takes the role after
    // the look takes it later than that, and keeps it.
    const xcb_timestamp_t now = ServerTime();
    if (now == XCB_CURRENT_TIME || OwnerOf(atoms_.manager) != XCB_NONE) {
        return false;
    }
    window_ = xcb_generate_id(c_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, 0, window_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    xcb_set_selection_owner(c_, window_, atoms_.manager, now);
    if (OwnerOf(atoms_.manager) != window_) {
        xcb_destroy_window(c_, window_);
        xcb_flush(c_);
        window_ = XCB_NONE;
        return false;
    }
    held_ = true;
    heldSince_ = now;

    // Told to any program that waits for a clipboard manager to appear.
    xcb_client_message_event_t announce{};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = root_;
    announce.type = atoms_.managerMessage;
    announce.data.data32[0] = now;
    announce.data.data32[1] = atoms_.manager;
    announce.data.data32[2] = window_;
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&announce));
    xcb_flush(c_);

    context_ = new QObject(QCoreApplication::instance());
    deadline_ = new QTimer(context_);
    deadline_->setSingleShot(true);
    QObject::connect(deadline_, &QTimer::timeout, context_, [this] {
        try {
            Expire();
        } catch (const std::exception& e) {
            Fail(e);
        }
    });
    // The toolkit hands the program's own clipboard to the clipboard manager on its way out,
    // and waits for the answer: the role, on the same thread, could not give it.
    if (auto* app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit, context_, [this] { Release(); });
    }
    return true;
}

void X11ManagerRole::Release() {
    if (save_) {
        Answer(save_->request, XCB_NONE);
        save_.reset();
    }
    if (held_) {
        xcb_set_selection_owner(c_, XCB_NONE, atoms_.manager, heldSince_);
        held_ = false;
        // A round trip: the server has given the role up before the toolkit, on a connection
        // of its own, asks who holds it, which it does at once.
        static_cast<void>(OwnerOf(atoms_.manager));
        return;
    }
    xcb_flush(c_);
}

bool X11ManagerRole::Handle(const xcb_generic_event_t& event) {
    if (window_ == XCB_NONE) {
        return false;
    }
    try {
        switch (event.response_type & 0x7f) {
            case XCB_SELECTION_REQUEST: {
                const auto& request = reinterpret_cast<const xcb_selection_request_event_t&>(event);
                if (request.owner != window_) {
                    return false;
                }
                Request(request);
                break;
            }
            case XCB_SELECTION_CLEAR: {
                const auto& clear = reinterpret_cast<const xcb_selection_clear_event_t&>(event);
                if (clear.owner != window_) {
                    return false;
                }
                Cleared(clear);
                break;
            }
            case XCB_SELECTION_NOTIFY: {
                const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
                if (notify.requestor != window_) {
                    return false;
                }
                Fetched(notify);
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
                if (notify.window == window_) {
                    if (save_ && save_->stage == Save::Stage::Receiving &&
                        notify.atom == save_->fetchProperty &&
                        notify.state == XCB_PROPERTY_NEW_VALUE) {
                        PartFetched();
                    }
                    break;
                }
                if (notify.state != XCB_PROPERTY_DELETE || !PartTaken(notify)) {
                    return false;
                }
                break;
            }
            default:
                return false;
        }
    } catch (const std::exception& e) {
        Fail(e);
    }
    xcb_flush(c_);
    return true;
}

// Whatever failed (memory, chiefly) costs what was under way, never the program.
void X11ManagerRole::Fail(const std::exception& e) {
    Notice(QStringLiteral("keeping the clipboard of an ending program failed: %1").arg(e.what()));
    if (save_) {
        Answer(save_->request, XCB_NONE);
        save_.reset();
    }
    for (const Outgoing& out : std::exchange(outgoing_, {})) {
        WatchRequestor(out.requestor, false);
    }
    Reschedule();
    xcb_flush(c_);
}

// ----- offering the saved contents -----

void X11ManagerRole::Request(const xcb_selection_request_event_t& request) {
    // A requestor that names no property is an old one: the target names it.
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    if (request.selection == atoms_.manager) {
        if (request.target == atoms_.saveTargets) {
            BeginSave(request);
        } else if (request.target == atoms_.targets) {
            const std::array<xcb_atom_t, 3> targets = {atoms_.targets, atoms_.timestamp,
                                                       atoms_.saveTargets};
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, targets.size(), targets.data());
            Answer(request, property);
        } else if (request.target == atoms_.timestamp) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_INTEGER, 32, 1, &heldSince_);
            Answer(request, property);
        } else {
            Answer(request, XCB_NONE);
        }
        return;
    }
    if (request.selection != atoms_.clipboard || !offering_ ||
        (request.time != XCB_CURRENT_TIME && TimeBefore(request.time, offeredSince_))) {
        Answer(request, XCB_NONE);
        return;
    }
    if (request.target == atoms_.targets) {
        std::vector<xcb_atom_t> targets = {atoms_.targets, atoms_.timestamp};
        for (const Value& value : offered_) {
            targets.push_back(value.target);
        }
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, static_cast<std::uint32_t>(targets.size()), targets.data());
        Answer(request, property);
        return;
    }
    if (request.target == atoms_.timestamp) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &offeredSince_);
        Answer(request, property);
        return;
    }
    const auto value = std::find_if(offered_.begin(), offered_.end(),
                                    [&](const Value& v) { return v.target == request.target; });
    if (value == offered_.end()) {
        Answer(request, XCB_NONE);
        return;
    }
    Offer(request, property, *value);
}

void X11ManagerRole::Answer(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    AnswerSelectionRequest(c_, request, property);
}

void X11ManagerRole::Offer(const xcb_selection_request_event_t& request, xcb_atom_t property,
                           const Value& value) {
    const qsizetype size = value.bytes.size();
    if (size <= mostPart_) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, value.type,
                            value.format, static_cast<std::uint32_t>(size / (value.format / 8)),
                            value.bytes.constData());
        Answer(request, property);
        return;
    }
    // More than one request may carry: sent in parts, each once the requestor has taken
    // (deleted) the one before. The size is a lower bound, as the protocol allows.
    std::erase_if(outgoing_, [&](const Outgoing& out) {
        return out.requestor == request.requestor && out.property == property;
    });
    WatchRequestor(request.requestor, true);
    const auto announced = static_cast<std::uint32_t>(std::min<qsizetype>(size, UINT32_MAX));
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, atoms_.incr, 32, 1,
                        &announced);
    Answer(request, property);
    outgoing_.push_back({request.requestor, property, value, 0,
                         Clock::now() + std::chrono::milliseconds(kPasteAnswerMs)});
    Reschedule();
}

// The requestor took a part (deleted the property): the next goes out, and after the last one
// an empty one that ends the transfer.
bool X11ManagerRole::PartTaken(const xcb_property_notify_event_t& event) {
    const auto out = std::find_if(outgoing_.begin(), outgoing_.end(), [&](const Outgoing& o) {
        return o.requestor == event.window && o.property == event.atom;
    });
    if (out == outgoing_.end()) {
        return false;
    }
    const Value& value = out->value;
    const qsizetype part = std::min(mostPart_, value.bytes.size() - out->sent);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, out->requestor, out->property, value.type,
                        value.format, static_cast<std::uint32_t>(part / (value.format / 8)),
                        value.bytes.constData() + out->sent);
    if (part == 0) {
        const xcb_window_t requestor = out->requestor;
        outgoing_.erase(out);
        WatchRequestor(requestor, false);
    } else {
        out->sent += part;
        out->deadline = Clock::now() + std::chrono::milliseconds(kPasteAnswerMs);
    }
    Reschedule();
    return true;
}

bool X11ManagerRole::IsOwnWindow(xcb_window_t window) const {
    return (window & clientBits_) == (window_ & clientBits_);
}

// Deletions of a requestor's properties are heard only while it is sent parts. The windows of
// this connection are heard at all times, and left as they are.
void X11ManagerRole::WatchRequestor(xcb_window_t requestor, bool watch) {
    if (IsOwnWindow(requestor) ||
        (!watch && std::any_of(outgoing_.begin(), outgoing_.end(),
                               [&](const Outgoing& out) { return out.requestor == requestor; }))) {
        return;
    }
    const std::uint32_t events = watch ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(c_, requestor, XCB_CW_EVENT_MASK, &events);
}

void X11ManagerRole::Cleared(const xcb_selection_clear_event_t& clear) {
    if (clear.selection == atoms_.manager) {
        // Another program took the role: it is theirs from now on.
        held_ = false;
        return;
    }
    // Parts already on their way still go out; a clear of an earlier time is about contents
    // offered before these.
    if (clear.selection == atoms_.clipboard && offering_ &&
        !TimeBefore(clear.time, offeredSince_)) {
        offering_ = false;
        offered_.clear();
    }
}

// ----- saving an ending program's clipboard -----

void X11ManagerRole::BeginSave(const xcb_selection_request_event_t& request) {
    // One at a time: a program that ends meanwhile ends as it would without a manager.
    if (save_) {
        Answer(request, XCB_NONE);
        return;
    }
    const xcb_window_t owner = OwnerOf(atoms_.clipboard);
    if (owner == XCB_NONE || owner == window_) {
        // Nothing to save, or saved already.
        AnswerSave(request, owner == window_);
        return;
    }
    save_.emplace();
    save_->request = request;
    save_->owner = owner;
    // The targets to save, where the program lists them; else those its clipboard offers.
    if (request.property != XCB_NONE) {
        const std::vector<xcb_atom_t> listed =
            AtomsIn(c_, request.requestor, request.property, false, atoms_.incr);
        if (!listed.empty()) {
            Plan(listed);
            return;
        }
    }
    save_->stage = Save::Stage::Listing;
    Fetch(atoms_.targets, kSaveListingMs);
}

// A picture is saved in one format, the first the program reads of those offered, tried in the
// order the intake asks for them; formats of pictures it does not read are left out. Everything
// else is saved, as far as it fits.
void X11ManagerRole::Plan(const std::vector<xcb_atom_t>& targets) {
    Save& save = *save_;
    const std::unordered_set<xcb_atom_t> meta = {
        atoms_.targets,      atoms_.multiple,        atoms_.timestamp,      atoms_.saveTargets,
        atoms_.deleteTarget, atoms_.insertSelection, atoms_.insertProperty, XCB_NONE};
    std::unordered_set<xcb_atom_t> seen;
    QStringList pictures;
    std::vector<xcb_atom_t> others;
    for (const xcb_atom_t target : targets) {
        if (meta.count(target) != 0 || !seen.insert(target).second) {
            continue;
        }
        if (const auto picture = pictureFormats_.find(target); picture != pictureFormats_.end()) {
            pictures.append(picture->second);
        } else {
            others.push_back(target);
        }
    }
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(others.size());
    for (const xcb_atom_t target : others) {
        cookies.push_back(xcb_get_atom_name(c_, target));
    }
    for (std::size_t i = 0; i < others.size(); ++i) {
        const Reply<xcb_get_atom_name_reply_t> name(
            xcb_get_atom_name_reply(c_, cookies[i], nullptr));
        const std::string_view text =
            name ? std::string_view(xcb_get_atom_name_name(name.get()),
                                    xcb_get_atom_name_name_length(name.get()))
                 : std::string_view();
        if (name && text.substr(0, 6) != "image/" && save.others.size() < kMostTargets) {
            save.others.push_back(others[i]);
        }
    }
    for (const QString& format : ImageFormatsToAsk(pictures, FreshMemoryHere())) {
        const auto atom = std::find_if(pictureFormats_.begin(), pictureFormats_.end(),
                                       [&](const auto& known) { return known.second == format; });
        if (atom != pictureFormats_.end()) {
            save.pictures.push_back(atom->first);
        }
    }
    FetchNext();
}

void X11ManagerRole::FetchNext() {
    Save& save = *save_;
    save.picture.reset();
    save.receiving = {};
    save.stage = Save::Stage::Asking;
    if (!save.pictureSaved && !save.pictures.empty()) {
        const xcb_atom_t target = save.pictures.front();
        save.pictures.erase(save.pictures.begin());
        save.picture.emplace(pictureFormats_.at(target));
        Fetch(target, kSaveAnswerMs);
        return;
    }
    if (!save.others.empty() && save.otherBytes < kMostOtherBytes) {
        const xcb_atom_t target = save.others.front();
        save.others.erase(save.others.begin());
        Fetch(target, kSaveAnswerMs);
        return;
    }
    EndSave();
}

void X11ManagerRole::Fetch(xcb_atom_t target, int deadlineMs) {
    Save& save = *save_;
    save.target = target;
    save.fetchProperty = fetchProperties_[nextFetchProperty_++ % fetchProperties_.size()];
    xcb_delete_property(c_, window_, save.fetchProperty);
    xcb_convert_selection(c_, window_, atoms_.clipboard, target, save.fetchProperty,
                          save.request.time);
    save.deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    Reschedule();
}

// The most bytes the value being fetched may still come to.
std::int64_t X11ManagerRole::Room() const {
    const Save& save = *save_;
    if (save.picture) {
        return save.picture->Limit() - save.picture->Received();
    }
    return kMostOtherBytes - save.otherBytes - save.receiving.bytes.size();
}

void X11ManagerRole::Fetched(const xcb_selection_notify_event_t& event) {
    if (!save_ || save_->stage == Save::Stage::Receiving || event.selection != atoms_.clipboard ||
        event.target != save_->target ||
        (event.property != XCB_NONE && event.property != save_->fetchProperty)) {
        // An answer to a question no longer asked: its value is not kept on the server either.
        if (event.property != XCB_NONE && (!save_ || event.property != save_->fetchProperty)) {
            xcb_delete_property(c_, window_, event.property);
        }
        return;
    }
    Save& save = *save_;
    if (save.stage == Save::Stage::Listing) {
        const std::vector<xcb_atom_t> offered =
            event.property == XCB_NONE
                ? std::vector<xcb_atom_t>()
                : AtomsIn(c_, window_, save.fetchProperty, true, atoms_.incr);
        if (offered.empty()) {
            EndSave();
        } else {
            Plan(offered);
        }
        return;
    }
    if (event.property == XCB_NONE) {
        FetchNext();  // refused by the owner
        return;
    }
    const PropertyReply value = ReadBounded(c_, window_, save.fetchProperty, true, Room());
    if (!value) {
        FetchNext();  // more than may be saved
        return;
    }
    if (value->type == atoms_.incr) {
        // Sent in parts; a size announced counts against the limits before any arrives.
        if (value->format == 32 && LengthOf(value) == 4) {
            const std::uint32_t announced = *reinterpret_cast<const std::uint32_t*>(DataOf(value));
            if (save.picture ? !save.picture->Announce(announced) : announced > Room()) {
                FetchNext();
                return;
            }
        }
        save.stage = Save::Stage::Receiving;
        save.receiving.target = save.target;
        save.receiving.type = XCB_NONE;
        save.deadline = Clock::now() + std::chrono::milliseconds(kSaveAnswerMs);
        Reschedule();
        return;
    }
    if (save.picture &&
        (value->format != 8 ||
         !save.picture->CheckWhole(DataOf(value), static_cast<std::size_t>(LengthOf(value))))) {
        FetchNext();
        return;
    }
    Value whole{
        save.target, value->type, value->format, QByteArray(DataOf(value), LengthOf(value)), {}};
    Keep(std::move(whole));
}

void X11ManagerRole::PartFetched() {
    Save& save = *save_;
    const PropertyReply part = ReadBounded(c_, window_, save.fetchProperty, true, Room());
    if (!part) {
        FetchNext();  // more than may be saved
        return;
    }
    Value& value = save.receiving;
    if (LengthOf(part) == 0) {
        if (value.type == XCB_NONE) {
            FetchNext();
        } else if (save.picture) {
            auto whole = std::make_shared<const Transfer>(std::move(*save.picture));
            value.bytes = whole->Bytes();
            value.keep = std::move(whole);
            Keep(std::move(value));
        } else {
            Keep(std::move(value));
        }
        return;
    }
    if (value.type == XCB_NONE) {
        value.type = part->type;
        value.format = part->format;
    }
    if (part->format != value.format) {
        FetchNext();
        return;
    }
    if (save.picture) {
        if (part->format != 8 ||
            !save.picture->Append(DataOf(part), static_cast<std::size_t>(LengthOf(part)))) {
            FetchNext();
            return;
        }
    } else {
        value.bytes.append(DataOf(part), LengthOf(part));
    }
    save.deadline = Clock::now() + std::chrono::milliseconds(kSaveAnswerMs);
    Reschedule();
}

void X11ManagerRole::Keep(Value value) {
    Save& save = *save_;
    if (value.format != 8 && value.format != 16 && value.format != 32) {
        FetchNext();
        return;
    }
    if (save.picture) {
        save.pictureSaved = true;
    } else {
        save.otherBytes += value.bytes.size();
    }
    save.saved.push_back(std::move(value));
    FetchNext();
}

// Answers the ending program at once, then offers what was saved on the clipboard, as of the
// time the program asked: a program that took the clipboard after that, or the intake that
// emptied it, has the last word.
void X11ManagerRole::EndSave() {
    Save save = std::move(*save_);
    save_.reset();
    Reschedule();
    const xcb_timestamp_t time =
        save.request.time != XCB_CURRENT_TIME ? save.request.time : ServerTime();
    const bool saved =
        !save.saved.empty() && time != XCB_CURRENT_TIME && OwnerOf(atoms_.clipboard) == save.owner;
    AnswerSave(save.request, saved);
    if (!saved) {
        return;
    }
    xcb_set_selection_owner(c_, window_, atoms_.clipboard, time);
    if (OwnerOf(atoms_.clipboard) == window_) {
        offered_ = std::move(save.saved);
        offering_ = true;
        offeredSince_ = time;
    }
}

// SAVE_TARGETS is a target with a side effect: its answer is an empty property of type NULL.
void X11ManagerRole::AnswerSave(const xcb_selection_request_event_t& request, bool saved) {
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    if (saved) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, atoms_.null, 8,
                            0, nullptr);
    }
    Answer(request, saved ? property : XCB_NONE);
}

// ----- deadlines -----

void X11ManagerRole::Expire() {
    const Clock::time_point now = Clock::now();
    if (save_ && save_->deadline <= now) {
        // The ending program stopped answering: what was saved so far is kept.
        EndSave();
    }
    std::vector<xcb_window_t> dropped;
    std::erase_if(outgoing_, [&](const Outgoing& out) {
        if (out.deadline > now) {
            return false;
        }
        dropped.push_back(out.requestor);
        return true;
    });
    for (const xcb_window_t requestor : dropped) {
        WatchRequestor(requestor, false);
    }
    Reschedule();
    xcb_flush(c_);
}

void X11ManagerRole::Reschedule() {
    if (deadline_ == nullptr) {
        return;
    }
    std::optional<Clock::time_point> next;
    if (save_) {
        next = save_->deadline;
    }
    for (const Outgoing& out : outgoing_) {
        next = next ? std::min(*next, out.deadline) : out.deadline;
    }
    if (!next) {
        deadline_->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    deadline_->start(static_cast<int>(std::max<std::int64_t>(wait.count(), 0)));
}

}  // namespace platform::Clipboard
