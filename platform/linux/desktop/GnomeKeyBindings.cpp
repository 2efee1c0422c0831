#include "platform/linux/desktop/GnomeKeyBindings.h"

#include "core/HotKeyMods.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace GnomeKeyBindings {

namespace {

const QString mediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");

struct ModifierName {
    const char* name;
    quint32 mods;
    bool usable;
};

// GTK's names, compared without case. Meta and Hyper sit with Alt and Super in the standard
// layouts; NumLock (Mod2), Mod3 and AltGr (Mod5) have no HotKeyMods bit.
constexpr ModifierName modifierNames[] = {
    {"primary", HotKeyMods::control, true},
    {"control", HotKeyMods::control, true},
    {"ctrl", HotKeyMods::control, true},
    {"ctl", HotKeyMods::control, true},
    {"shift", HotKeyMods::shift, true},
    {"shft", HotKeyMods::shift, true},
    {"alt", HotKeyMods::option, true},
    {"mod1", HotKeyMods::option, true},
    {"meta", HotKeyMods::option, true},
    {"super", HotKeyMods::command, true},
    {"hyper", HotKeyMods::command, true},
    {"mod4", HotKeyMods::command, true},
    {"release", 0, true},
    {"mod2", 0, false},
    {"mod3", 0, false},
    {"mod5", 0, false},
};

} // namespace

QStringList schemas() {
    return {QStringLiteral("org.gnome.desktop.wm.keybindings"), mediaKeys,
            QStringLiteral("org.gnome.shell.keybindings")};
}

QString customSchema() {
    return mediaKeys + QStringLiteral(".custom-keybinding");
}

std::optional<HotKeySpec> parseAccelerator(const QString& accelerator) {
    QStringView rest(accelerator);
    rest = rest.trimmed();
    quint32 mods = 0;
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const QString name = rest.mid(1, end - 1).toString().toLower();
        const ModifierName* found = nullptr;
        for (const ModifierName& entry : modifierNames) {
            if (name == QLatin1StringView(entry.name))
                found = &entry;
        }
        if (!found || !found->usable)
            return std::nullopt;
        mods |= found->mods;
        rest = rest.mid(end + 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    const QByteArray keyName = rest.toLatin1();
    if (keyName != rest.toUtf8())
        return std::nullopt;
    const KeySym keysym = XStringToKeysym(keyName.constData());
    if (keysym == NoSymbol)
        return std::nullopt;
    KeySym lower = keysym;
    KeySym upper = keysym;
    XConvertCase(keysym, &lower, &upper);
    return HotKeySpec{static_cast<quint32>(lower), mods, accelerator};
}

QStringList strings(const QString& value) {
    QStringView text(value);
    text = text.trimmed();
    if (text.startsWith(QLatin1StringView("@as ")))
        text = text.mid(4).trimmed();
    const bool array = text.startsWith(u'[');
    if (array) {
        if (!text.endsWith(u']'))
            return {};
        text = text.mid(1, text.size() - 2).trimmed();
    }
    QStringList found;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar quote = text.at(i);
        if (quote != u'\'' && quote != u'"')
            return {};
        QString item;
        bool closed = false;
        for (++i; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == u'\\' && i + 1 < text.size()) {
                item += text.at(++i);
            } else if (c == quote) {
                closed = true;
                ++i;
                break;
            } else {
                item += c;
            }
        }
        if (!closed)
            return {};
        found.append(item);
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i == text.size())
            break;
        if (!array || text.at(i) != u',')
            return {};
        ++i;
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i == text.size())
            return {};
    }
    return found;
}

namespace {

// schema, key and value of one output line.
std::optional<std::pair<QString, QString>> keyAndValue(const QString& line) {
    const qsizetype schemaEnd = line.indexOf(u' ');
    if (schemaEnd <= 0)
        return std::nullopt;
    const qsizetype keyEnd = line.indexOf(u' ', schemaEnd + 1);
    if (keyEnd <= schemaEnd + 1)
        return std::nullopt;
    return std::pair{line.mid(schemaEnd + 1, keyEnd - schemaEnd - 1), line.mid(keyEnd + 1)};
}

} // namespace

QList<ReservedHotKey> bindingsOfListing(const QString& listing, const QString& name) {
    QList<ReservedHotKey> bindings;
    for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const auto entry = keyAndValue(line);
        if (!entry)
            continue;
        for (const QString& accelerator : strings(entry->second)) {
            if (const std::optional<HotKeySpec> spec = parseAccelerator(accelerator))
                bindings.append(ReservedHotKey{spec->code, spec->mods, name});
        }
    }
    return bindings;
}

QStringList customBindingPaths(const QString& listing) {
    for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const auto entry = keyAndValue(line);
        if (entry && line.startsWith(mediaKeys + u' ')
            && entry->first == QLatin1StringView("custom-keybindings"))
            return strings(entry->second);
    }
    return {};
}

} // namespace GnomeKeyBindings
