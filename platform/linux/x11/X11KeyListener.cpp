#include "platform/linux/x11/X11KeyListener.h"

#include "platform/linux/x11/XcbSelection.h"

#include <QMutexLocker>

#include <X11/keysym.h>
#include <cstdlib>
#include <cstring>
#include <xcb/record.h>
#include <xcb/xtest.h>

namespace {

// Categories of the data RECORD sends on the enabled context.
constexpr quint8 fromServer = 0;
constexpr quint8 fromClient = 1;
constexpr quint8 startOfData = 4;
constexpr quint8 endOfData = 5;

// Enough for a burst of keystrokes whose events are still on their way; older entries belong to
// requests that produced no event (a release of a key that was not down).
constexpr std::size_t maxPendingFakes = 32;

using RecordReply = XcbSelection::Reply<xcb_record_enable_context_reply_t>;

quint16 read16(const quint8* p, bool swapped) {
    quint16 value;
    std::memcpy(&value, p, sizeof value);
    return swapped ? quint16((value >> 8) | (value << 8)) : value;
}

quint32 read32(const quint8* p, bool swapped) {
    quint32 value;
    std::memcpy(&value, p, sizeof value);
    return swapped ? __builtin_bswap32(value) : value;
}

} // namespace

X11KeyListener::X11KeyListener(const QByteArray& displayName, QList<quint32> ownInjectors)
    : m_displayName(displayName)
    , m_ownInjectors(std::move(ownInjectors)) {}

X11KeyListener::~X11KeyListener() {
    stop();
}

bool X11KeyListener::start(std::function<void(const KeyDownEvent&)> handler) {
    {
        QMutexLocker lock(&m_handlerMutex);
        m_handler = std::make_shared<const Handler>(std::move(handler));
    }
    if (m_thread.joinable() && !m_ended)
        return true;
    // The stream ended without stop(): the display went away. Try afresh.
    stop(false);

    xcb_window_t root = XCB_WINDOW_NONE;
    m_control = XcbSelection::connect(m_displayName, &root);
    if (!m_control)
        return false;
    xcb_connection_t* control = m_control.get();
    const xcb_query_extension_reply_t* record = xcb_get_extension_data(control, &xcb_record_id);
    if (!record || !record->present) {
        closeConnections();
        return false;
    }
    std::free(xcb_record_query_version_reply(
        control,
        xcb_record_query_version(control, XCB_RECORD_MAJOR_VERSION, XCB_RECORD_MINOR_VERSION),
        nullptr));
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(control, &xcb_test_id);
    m_xtestOpcode = xtest && xtest->present ? xtest->major_opcode : 0;
    m_data = XcbSelection::connect(m_displayName, &root);
    if (!m_data) {
        closeConnections();
        return false;
    }
    loadKeymap();
    m_down.reset();
    m_pendingFakes.clear();

    xcb_record_range_t range{};
    range.device_events = {XCB_KEY_PRESS, XCB_KEY_RELEASE};
    if (m_xtestOpcode) {
        range.ext_requests.major = {m_xtestOpcode, m_xtestOpcode};
        range.ext_requests.minor = {XCB_TEST_FAKE_INPUT, XCB_TEST_FAKE_INPUT};
    }
    const xcb_record_client_spec_t everyone = XCB_RECORD_CS_ALL_CLIENTS;
    m_context = xcb_generate_id(control);
    xcb_generic_error_t* error = xcb_request_check(
        control, xcb_record_create_context_checked(control, m_context, 0, 1, 1, &everyone, &range));
    if (error) {
        std::free(error);
        m_context = 0;
        closeConnections();
        return false;
    }
    // The first answer says recording has begun; a stop() from here on has a context to end.
    const xcb_record_enable_context_cookie_t cookie =
        xcb_record_enable_context(m_data.get(), m_context);
    RecordReply first(xcb_record_enable_context_reply(m_data.get(), cookie, nullptr));
    if (!first || first->category != startOfData) {
        closeConnections();
        return false;
    }
    m_ended = false;
    m_thread = std::thread([this, sequence = cookie.sequence] {
        listen(sequence);
        m_ended = true;
    });
    return true;
}

void X11KeyListener::stop() {
    stop(true);
}

void X11KeyListener::stop(bool dropHandler) {
    if (m_thread.joinable()) {
        // Disabling from the control connection ends the data connection's stream with an
        // end-of-data answer; a lost server ends it too.
        xcb_record_disable_context(m_control.get(), m_context);
        xcb_flush(m_control.get());
        m_thread.join();
    }
    closeConnections();
    if (dropHandler) {
        QMutexLocker lock(&m_handlerMutex);
        m_handler.reset();
    }
}

void X11KeyListener::closeConnections() {
    if (m_control && m_context) {
        xcb_record_free_context(m_control.get(), m_context);
        xcb_flush(m_control.get());
    }
    m_context = 0;
    m_data.reset();
    m_control.reset();
}

void X11KeyListener::loadKeymap() {
    m_keymap = X11Keymap::read(m_control.get());
    m_copyKeys = m_keymap.keycodesOf(XK_c);
    for (const xcb_keycode_t keycode : m_keymap.keycodesOf(XK_C)) {
        if (!m_copyKeys.contains(keycode))
            m_copyKeys.append(keycode);
    }
}

void X11KeyListener::reloadKeymapAfterMappingChange() {
    // The control connection hears of a new mapping before any key event typed under it is
    // recorded.
    if (X11Keymap::mappingChanged(m_control.get()))
        loadKeymap();
}

void X11KeyListener::listen(quint32 sequence) {
    xcb_record_enable_context_cookie_t cookie{sequence};
    for (;;) {
        RecordReply reply(xcb_record_enable_context_reply(m_data.get(), cookie, nullptr));
        if (!reply || reply->category == endOfData)
            return;
        const quint8* data = xcb_record_enable_context_data(reply.get());
        const int size = xcb_record_enable_context_data_length(reply.get());
        if (reply->category == fromClient)
            readRequests(data, size, reply->xid_base, reply->client_swapped);
        else if (reply->category == fromServer)
            readEvents(data, size);
    }
}

void X11KeyListener::readRequests(const quint8* data, int size, quint32 idBase, bool swapped) {
    const bool own = idBase != 0 && m_ownInjectors.contains(idBase);
    int offset = 0;
    while (offset + 4 <= size) {
        const quint8* request = data + offset;
        qint64 length = qint64(read16(request + 2, swapped)) * 4;
        if (length == 0 && offset + 8 <= size) // a big request carries its length after
            length = qint64(read32(request + 4, swapped)) * 4;
        if (length < 4 || length > size - offset)
            return;
        // FakeInput: type and detail follow the 4-byte header, in any byte order.
        if (request[0] == m_xtestOpcode && request[1] == XCB_TEST_FAKE_INPUT && length >= 8) {
            const quint8 type = request[4];
            if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
                m_pendingFakes.push_back({type, request[5], own});
                if (m_pendingFakes.size() > maxPendingFakes)
                    m_pendingFakes.pop_front();
            }
        }
        offset += int(length);
    }
}

void X11KeyListener::readEvents(const quint8* data, int size) {
    constexpr int eventSize = sizeof(xcb_key_press_event_t);
    static_assert(eventSize == 32);
    for (int offset = 0; offset + eventSize <= size; offset += eventSize) {
        xcb_key_press_event_t event;
        std::memcpy(&event, data + offset, eventSize);
        const quint8 type = event.response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            continue;
        const xcb_keycode_t keycode = event.detail;

        // The XTest request that caused this event, if one did; the requests before it made no
        // event of their own.
        bool own = false;
        for (auto it = m_pendingFakes.begin(); it != m_pendingFakes.end(); ++it) {
            if (it->type == type && it->keycode == keycode) {
                own = it->own;
                m_pendingFakes.erase(m_pendingFakes.begin(), it + 1);
                break;
            }
        }

        const bool wasDown = m_down.test(keycode);
        m_down.set(keycode, type == XCB_KEY_PRESS);
        if (type != XCB_KEY_PRESS)
            continue;

        reloadKeymapAfterMappingChange();
        const quint16 locks =
            XCB_MOD_MASK_LOCK | m_keymap.numLockMask() | m_keymap.scrollLockMask();
        KeyDownEvent down;
        down.mods = m_keymap.hotKeyModsOf(event.state & ~locks);
        down.isCopyKey = m_copyKeys.contains(keycode);
        down.isRepeat = wasDown;
        down.timestamp = event.time / 1000.0;
        down.ownKeystroke = own;

        std::shared_ptr<const Handler> handler;
        {
            QMutexLocker lock(&m_handlerMutex);
            handler = m_handler;
        }
        if (handler && *handler)
            (*handler)(down);
    }
}
