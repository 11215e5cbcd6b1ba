// The link to the compositor's data control: a connection of the program's own to the
// Wayland display (whether the windows run on XWayland or natively), driven by the event loop
// through its socket, which binds the data control manager the compositor offers and follows
// the selection of the first seat.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ext-data-control-v1-client-protocol.h"
#include "platform/clipboard/DataControlChoice.h"
#include "platform/clipboard/DataControlLink.h"
#include "platform/runtime/Notice.h"
#include "platform/runtime/ReadWatch.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace platform::Clipboard {

namespace {

// More MIME types than any source offers; the rest of a longer list is left out.
constexpr int kMostTypes = 512;
// Room in the pipe for a large picture's parts, so that fewer turns of the event loop carry
// it; the system keeps its default where it allows less.
constexpr int kPipeBytes = 1 << 20;

// The two protocols are the same on the wire, under different names.
struct ExtProtocol {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;

    static const wl_interface* ManagerInterface() { return &ext_data_control_manager_v1_interface; }
    static Device* GetDevice(Manager* m, wl_seat* seat) {
        return ext_data_control_manager_v1_get_data_device(m, seat);
    }
    static void Destroy(Manager* m) { ext_data_control_manager_v1_destroy(m); }
    static void Listen(Device* d, const DeviceListener* l, void* data) {
        ext_data_control_device_v1_add_listener(d, l, data);
    }
    static void SetSelectionNone(Device* d) {
        ext_data_control_device_v1_set_selection(d, nullptr);
    }
    static void Destroy(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void Listen(Offer* o, const OfferListener* l, void* data) {
        ext_data_control_offer_v1_add_listener(o, l, data);
    }
    static void Receive(Offer* o, const char* type, int fd) {
        ext_data_control_offer_v1_receive(o, type, fd);
    }
    static void Destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
};

struct WlrProtocol {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;

    static const wl_interface* ManagerInterface() {
        return &zwlr_data_control_manager_v1_interface;
    }
    static Device* GetDevice(Manager* m, wl_seat* seat) {
        return zwlr_data_control_manager_v1_get_data_device(m, seat);
    }
    static void Destroy(Manager* m) { zwlr_data_control_manager_v1_destroy(m); }
    static void Listen(Device* d, const DeviceListener* l, void* data) {
        zwlr_data_control_device_v1_add_listener(d, l, data);
    }
    static void SetSelectionNone(Device* d) {
        zwlr_data_control_device_v1_set_selection(d, nullptr);
    }
    static void Destroy(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void Listen(Offer* o, const OfferListener* l, void* data) {
        zwlr_data_control_offer_v1_add_listener(o, l, data);
    }
    static void Receive(Offer* o, const char* type, int fd) {
        zwlr_data_control_offer_v1_receive(o, type, fd);
    }
    static void Destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
};

template <class Protocol>
class WaylandLink final : public SelectionLink {
    using Device = typename Protocol::Device;
    using Offer = typename Protocol::Offer;

  public:
    WaylandLink(wl_display* display, wl_seat* seat, typename Protocol::Manager* manager)
        : display_(display), seat_(seat), manager_(manager) {
        device_ = Protocol::GetDevice(manager_, seat_);
        Protocol::Listen(device_, &kDeviceListener, this);
        watch_ = std::make_unique<ReadWatch>(wl_display_get_fd(display_), [this] { CatchUp(); });
        wl_display_flush(display_);
    }
    ~WaylandLink() override {
        watch_.reset();
        for (auto& [offer, types] : introduced_) {
            Protocol::Destroy(offer);
        }
        if (selection_ != nullptr) {
            Protocol::Destroy(selection_);
        }
        if (device_ != nullptr) {
            Protocol::Destroy(device_);
        }
        Protocol::Destroy(manager_);
        wl_seat_destroy(seat_);
        wl_display_disconnect(display_);
    }
    WaylandLink(const WaylandLink&) = delete;
    WaylandLink& operator=(const WaylandLink&) = delete;

    int Receive(std::uint64_t offer, const QString& type) override {
        if (broken_ || selection_ == nullptr || offer != selectionNumber_) {
            return -1;
        }
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return -1;
        }
        // Only the reading end waits for nothing; the source writes as it likes.
        fcntl(ends[0], F_SETFL, O_NONBLOCK);
        fcntl(ends[0], F_SETPIPE_SZ, kPipeBytes);
        Protocol::Receive(selection_, type.toUtf8().constData(), ends[1]);
        close(ends[1]);  // the request carries a copy of it
        Flush();
        return ends[0];
    }

    void CatchUp() override {
        if (broken_ || dispatching_) {
            return;
        }
        dispatching_ = true;
        bool ok = true;
        while (ok && wl_display_prepare_read(display_) != 0) {
            ok = wl_display_dispatch_pending(display_) >= 0;
        }
        if (ok) {
            wl_display_flush(display_);
            pollfd socket{wl_display_get_fd(display_), POLLIN, 0};
            if (poll(&socket, 1, 0) > 0) {
                ok = wl_display_read_events(display_) >= 0;
            } else {
                wl_display_cancel_read(display_);
            }
        }
        ok = ok && wl_display_dispatch_pending(display_) >= 0;
        dispatching_ = false;
        if (!ok) {
            Broke();
        }
    }

    void ClearSelection() override {
        if (broken_ || device_ == nullptr) {
            return;
        }
        Protocol::SetSelectionNone(device_);
        Flush();
    }

  private:
    void Flush() {
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            Broke();
        }
    }

    void Broke() {
        if (broken_) {
            return;
        }
        broken_ = true;
        watch_->SetEnabled(false);
        // A compositor that went away ends the session, and the toolkit ends the program; a
        // request it refused is this program's fault, and worth a line.
        if (wl_display_get_error(display_) == EPROTO) {
            const wl_interface* interface = nullptr;
            std::uint32_t id = 0;
            const std::uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
            Notice(
                QStringLiteral("the compositor refused a request of the clipboard reader "
                               "(error %1 on %2): pictures are no longer taken off the "
                               "clipboard")
                    .arg(code)
                    .arg(QString::fromUtf8(interface != nullptr ? interface->name : "an object")));
        }
        if (listener_ != nullptr) {
            listener_->LinkLost();
        }
    }

    static void DataOffer(void* data, Device* /*device*/, Offer* offer) {
        auto* self = static_cast<WaylandLink*>(data);
        self->introduced_.emplace(offer, QStringList());
        Protocol::Listen(offer, &kOfferListener, self);
    }

    static void OfferType(void* data, Offer* offer, const char* type) {
        auto* self = static_cast<WaylandLink*>(data);
        const auto found = self->introduced_.find(offer);
        if (found != self->introduced_.end() && found->second.size() < kMostTypes) {
            found->second.append(QString::fromUtf8(type));
        }
    }

    static void Selection(void* data, Device* /*device*/, Offer* offer) {
        auto* self = static_cast<WaylandLink*>(data);
        if (self->selection_ != nullptr) {
            Protocol::Destroy(self->selection_);
        }
        self->selection_ = offer;
        QStringList types;
        if (offer != nullptr) {
            const auto found = self->introduced_.find(offer);
            if (found != self->introduced_.end()) {
                types = std::move(found->second);
                self->introduced_.erase(found);
            }
        }
        self->selectionNumber_ = offer != nullptr ? ++self->offersSeen_ : 0;
        if (self->listener_ != nullptr) {
            self->listener_->SelectionChanged(self->selectionNumber_, types);
        }
    }

    // The primary selection is not read: its offers are let go at once.
    static void PrimarySelection(void* data, Device* /*device*/, Offer* offer) {
        auto* self = static_cast<WaylandLink*>(data);
        if (offer != nullptr) {
            self->introduced_.erase(offer);
            Protocol::Destroy(offer);
        }
    }

    static void Finished(void* data, Device* /*device*/) {
        auto* self = static_cast<WaylandLink*>(data);
        Protocol::Destroy(self->device_);
        self->device_ = nullptr;
        if (!self->broken_) {
            Notice(
                "the compositor withdrew its data control: pictures are no longer taken off the "
                "clipboard");
        }
        self->broken_ = true;
        self->watch_->SetEnabled(false);
        if (self->listener_ != nullptr) {
            self->listener_->LinkLost();
        }
    }

    static constexpr typename Protocol::DeviceListener kDeviceListener{
        &DataOffer, &Selection, &Finished, &PrimarySelection};
    static constexpr typename Protocol::OfferListener kOfferListener{&OfferType};

    wl_display* display_;
    wl_seat* seat_;
    typename Protocol::Manager* manager_;
    Device* device_ = nullptr;
    std::unique_ptr<ReadWatch> watch_;
    bool broken_ = false;
    bool dispatching_ = false;

    std::unordered_map<Offer*, QStringList> introduced_;  // offers not yet named a selection
    Offer* selection_ = nullptr;
    std::uint64_t selectionNumber_ = 0;
    std::uint64_t offersSeen_ = 0;
};

void Advertised(void* data, wl_registry* /*registry*/, std::uint32_t name, const char* interface,
                std::uint32_t version) {
    static_cast<std::vector<AdvertisedGlobal>*>(data)->push_back({name, interface, version});
}

void Withdrawn(void* /*data*/, wl_registry* /*registry*/, std::uint32_t /*name*/) {}

constexpr wl_registry_listener kRegistryListener{&Advertised, &Withdrawn};

template <class Protocol>
std::unique_ptr<ClipboardLink> Open(wl_display* display, wl_registry* registry,
                                    const DataControlBinding& binding) {
    auto* seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, binding.seat, &wl_seat_interface, binding.seatVersion));
    auto* manager = static_cast<typename Protocol::Manager*>(
        wl_registry_bind(registry, binding.name, Protocol::ManagerInterface(), binding.version));
    wl_registry_destroy(registry);
    return MakeDataControlLink(std::make_unique<WaylandLink<Protocol>>(display, seat, manager));
}

}  // namespace

std::unique_ptr<ClipboardLink> OpenDataControlLink() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    std::vector<AdvertisedGlobal> globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    if (wl_display_roundtrip(display) < 0) {
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return nullptr;
    }
    const DataControlBinding binding = ChooseDataControl(globals);
    switch (binding.protocol) {
        case DataControlBinding::Protocol::Ext:
            return Open<ExtProtocol>(display, registry, binding);
        case DataControlBinding::Protocol::Wlr:
            return Open<WlrProtocol>(display, registry, binding);
        case DataControlBinding::Protocol::None:
            break;
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return nullptr;
}

}  // namespace platform::Clipboard
