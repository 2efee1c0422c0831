#pragma once

#include "app/capture/KeyboardEvents.h"
#include "platform/linux/x11/X11Keymap.h"

#include <QByteArray>
#include <QMutex>

#include <xcb/xcb.h>

// The keyboard services on an X11 display, over a connection of their own: the modifier state
// from the core pointer query, the copy keystroke through XTest, listening through RECORD.
// Safe to call from any thread.
class X11KeyboardEvents final : public KeyboardEvents {
public:
    // The display named by DISPLAY, or `displayName`; without a display every call answers
    // "nothing" (no modifiers, no keystroke, no access).
    explicit X11KeyboardEvents(const QByteArray& displayName = {});
    ~X11KeyboardEvents() override;

    quint32 modifiersNow() override;
    bool postCopyKeystroke() override;
    bool listenAccess() override;
    // The resource id base of the connection that posts the keystroke: the XTest FakeInput
    // requests RECORD reports for it carry this id base.
    quint32 injectorId() const override;

private:
    // Reloads the cached keymap when the server announced a new mapping. Call after a round
    // trip, so that every announcement made before it has arrived.
    void refreshAfterMappingChange();

    QMutex m_mutex;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    X11Keymap m_keymap;
};
