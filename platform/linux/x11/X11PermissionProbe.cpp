#include "platform/linux/x11/X11PermissionProbe.h"

#include "platform/linux/x11/XcbSelection.h"

#include <initializer_list>
#include <xcb/record.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

namespace {

// A fresh connection per question: the answer must follow a display that comes or goes.
bool hasExtensions(const QByteArray& displayName, std::initializer_list<xcb_extension_t*> wanted) {
    xcb_window_t root = XCB_WINDOW_NONE;
    const XcbSelection::Connection connection = XcbSelection::connect(displayName, &root);
    if (!connection)
        return false;
    for (xcb_extension_t* extension : wanted)
        xcb_prefetch_extension_data(connection.get(), extension);
    for (xcb_extension_t* extension : wanted) {
        const xcb_query_extension_reply_t* data =
            xcb_get_extension_data(connection.get(), extension);
        if (!data || !data->present)
            return false;
    }
    return true;
}

} // namespace

X11PermissionProbe::X11PermissionProbe(const QByteArray& displayName)
    : m_displayName(displayName) {}

bool X11PermissionProbe::accessibility() {
    return hasExtensions(m_displayName, {&xcb_test_id, &xcb_xfixes_id});
}

bool X11PermissionProbe::inputMonitoring() {
    return hasExtensions(m_displayName, {&xcb_record_id});
}
