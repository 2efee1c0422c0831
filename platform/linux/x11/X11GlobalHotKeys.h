#pragma once

#include "app/shortcuts/GlobalHotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QList>

#include <optional>
#include <xcb/xcb.h>

// The global shortcut as passive key grabs on the root window, made on Qt's own xcb
// connection so that presses arrive through Qt's event loop. One grab per keycode of the key
// and per combination of the lock modifiers, so Caps Lock or NumLock being on changes
// nothing. Main thread only; needs a QGuiApplication on the xcb platform.
class X11GlobalHotKeys final : public GlobalHotKeys, private QAbstractNativeEventFilter {
public:
    // Status when there is no X11 connection (another Qt platform, no QGuiApplication).
    static constexpr int noDisplay = -2;
    // Status when no key of the current layout produces the keysym.
    static constexpr int noKey = -3;

    X11GlobalHotKeys();
    ~X11GlobalHotKeys() override;

    // 0, or the X error code of the first refused grab (10, BadAccess, when another client
    // holds the combination), or one of the statuses above.
    int grab(const HotKeySpec& spec) override;
    void release() override;
    void setPressHandler(std::function<void()> handler) override;

    // How many grabs are held now.
    qsizetype grabCount() const { return m_grabs.size(); }

private:
    struct Grab {
        xcb_keycode_t keycode;
        quint16 modifiers;
        bool operator==(const Grab&) const = default;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    int grabHeld();
    void ungrabAll();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    uint8_t m_xkbEventBase = 0;
    std::optional<HotKeySpec> m_spec;
    QList<Grab> m_grabs;
    std::function<void()> m_handler;
};
