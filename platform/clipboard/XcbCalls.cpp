#include "platform/clipboard/XcbCalls.h"

#include <QByteArray>
#include <cstdint>

namespace platform::Clipboard {

std::vector<xcb_atom_t> InternAtoms(xcb_connection_t* c, const QStringList& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names) {
        const QByteArray latin = name.toLatin1();
        cookies.push_back(
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(latin.size()), latin.constData()));
    }
    std::vector<xcb_atom_t> atoms;
    atoms.reserve(cookies.size());
    for (const auto& cookie : cookies) {
        const XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
        atoms.push_back(reply ? reply->atom : XCB_NONE);
    }
    return atoms;
}

void AnswerSelectionRequest(xcb_connection_t* c, const xcb_selection_request_event_t& request,
                            xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

}  // namespace platform::Clipboard
