#pragma once
// What the X11 link and the clipboard manager's role both ask of their xcb connection.

#include <xcb/xcb.h>

#include <QStringList>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform::Clipboard {

// A reply or event as xcb hands it over, freed with free().
struct XcbFree {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using XcbPtr = std::unique_ptr<T, XcbFree>;

// The atoms of the names, in one round trip; XCB_NONE for each the server did not give.
std::vector<xcb_atom_t> InternAtoms(xcb_connection_t* c, const QStringList& names);

// Tells the requestor of a selection that its answer is in `property`, or XCB_NONE for
// none. The caller flushes.
void AnswerSelectionRequest(xcb_connection_t* c, const xcb_selection_request_event_t& request,
                            xcb_atom_t property);

}  // namespace platform::Clipboard
