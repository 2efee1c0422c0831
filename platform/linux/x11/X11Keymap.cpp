#include "platform/linux/x11/X11Keymap.h"

#include "core/HotKeyMods.h"
#include "platform/linux/x11/XcbSelection.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <memory>

namespace {

using XcbSelection::Reply;

constexpr quint16 modMasks[] = {XCB_MOD_MASK_1, XCB_MOD_MASK_2, XCB_MOD_MASK_3, XCB_MOD_MASK_4,
                                XCB_MOD_MASK_5};

} // namespace

X11Keymap X11Keymap::read(xcb_connection_t* connection) {
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_keycode_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const xcb_get_keyboard_mapping_cookie_t keysCookie =
        xcb_get_keyboard_mapping(connection, first, static_cast<uint8_t>(count));
    const xcb_get_modifier_mapping_cookie_t modsCookie = xcb_get_modifier_mapping(connection);
    Reply<xcb_get_keyboard_mapping_reply_t> keys(
        xcb_get_keyboard_mapping_reply(connection, keysCookie, nullptr));
    Reply<xcb_get_modifier_mapping_reply_t> mods(
        xcb_get_modifier_mapping_reply(connection, modsCookie, nullptr));
    if (!keys || !mods)
        return {};
    const xcb_keysym_t* symData = xcb_get_keyboard_mapping_keysyms(keys.get());
    const int symCount = xcb_get_keyboard_mapping_keysyms_length(keys.get());
    const xcb_keycode_t* modData = xcb_get_modifier_mapping_keycodes(mods.get());
    const int modCount = xcb_get_modifier_mapping_keycodes_length(mods.get());
    return X11Keymap(first, keys->keysyms_per_keycode,
                     QList<xcb_keysym_t>(symData, symData + symCount), mods->keycodes_per_modifier,
                     QList<xcb_keycode_t>(modData, modData + modCount));
}

X11Keymap::X11Keymap(xcb_keycode_t minKeycode, int perKeycode, QList<xcb_keysym_t> keysyms,
                     int perModifier, const QList<xcb_keycode_t>& modifiers)
    : m_minKeycode(minKeycode)
    , m_perKeycode(perKeycode > 0 ? perKeycode : 0)
    , m_keysyms(m_perKeycode > 0 ? std::move(keysyms) : QList<xcb_keysym_t>()) {
    for (int modifier = 0; modifier < 8 && perModifier > 0; ++modifier) {
        for (int slot = 0; slot < perModifier; ++slot) {
            const qsizetype index = qsizetype(modifier) * perModifier + slot;
            if (index < modifiers.size() && modifiers.at(index) != 0)
                m_modifierKeys[modifier].append(modifiers.at(index));
        }
    }
    // Mod1..Mod5 only: Shift, Lock and Control have fixed meanings.
    const auto modOf = [this](std::initializer_list<xcb_keysym_t> keysyms) -> quint16 {
        for (int i = 0; i < 5; ++i) {
            for (const xcb_keysym_t keysym : keysyms) {
                if (modifierMaskOf(keysym) & modMasks[i])
                    return modMasks[i];
            }
        }
        return 0;
    };
    if (!m_keysyms.isEmpty()) {
        if (const quint16 alt = modOf({XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R}))
            m_alt = alt;
        if (const quint16 super = modOf({XK_Super_L, XK_Super_R}))
            m_super = super;
        m_numLock = modOf({XK_Num_Lock});
        m_scrollLock = modOf({XK_Scroll_Lock});
    }
}

QList<xcb_keycode_t> X11Keymap::keycodesOf(xcb_keysym_t keysym) const {
    QList<xcb_keycode_t> found;
    if (m_perKeycode == 0 || keysym == 0)
        return found;
    for (const int columns : {std::min(2, m_perKeycode), m_perKeycode}) {
        for (qsizetype base = 0; base + m_perKeycode <= m_keysyms.size(); base += m_perKeycode) {
            for (int column = 0; column < columns; ++column) {
                if (m_keysyms.at(base + column) == keysym) {
                    found.append(static_cast<xcb_keycode_t>(m_minKeycode + base / m_perKeycode));
                    break;
                }
            }
        }
        if (!found.isEmpty())
            break;
    }
    return found;
}

quint16 X11Keymap::modifierMaskOf(xcb_keysym_t keysym) const {
    const QList<xcb_keycode_t> keycodes = keycodesOf(keysym);
    quint16 mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (const xcb_keycode_t keycode : m_modifierKeys[modifier]) {
            if (keycodes.contains(keycode))
                mask |= quint16(1u << modifier);
        }
    }
    return mask;
}

QList<quint16> X11Keymap::lockCombinations() const {
    QList<quint16> locks{XCB_MOD_MASK_LOCK};
    for (const quint16 mask : {m_numLock, m_scrollLock}) {
        if (mask && !locks.contains(mask))
            locks.append(mask);
    }
    QList<quint16> combinations{0};
    for (const quint16 lock : locks) {
        const qsizetype size = combinations.size();
        for (qsizetype i = 0; i < size; ++i)
            combinations.append(combinations.at(i) | lock);
    }
    return combinations;
}

bool X11Keymap::mappingChanged(xcb_connection_t* connection) {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
            changed = changed || notify->request != XCB_MAPPING_POINTER;
        }
        std::free(event);
    }
    return changed;
}

quint32 X11Keymap::hotKeyModsOf(quint16 state) const {
    quint32 mods = 0;
    if (state & XCB_MOD_MASK_CONTROL)
        mods |= HotKeyMods::control;
    if (state & m_alt)
        mods |= HotKeyMods::option;
    if (state & XCB_MOD_MASK_SHIFT)
        mods |= HotKeyMods::shift;
    if (state & m_super)
        mods |= HotKeyMods::command;
    return mods;
}

quint16 X11Keymap::stateOf(quint32 mods) const {
    quint16 state = 0;
    if (mods & HotKeyMods::control)
        state |= XCB_MOD_MASK_CONTROL;
    if (mods & HotKeyMods::option)
        state |= m_alt;
    if (mods & HotKeyMods::shift)
        state |= XCB_MOD_MASK_SHIFT;
    if (mods & HotKeyMods::command)
        state |= m_super;
    return state;
}
