#include "platform/linux/x11/X11Pasteboard.h"

#include "core/PasteboardTypes.h"
#include "platform/linux/x11/ClipboardOwner.h"

#include <QDeadlineTimer>

namespace {

// Each question to the clipboard's owner after the copy: the owner just answered the copy
// keystroke, so it is awake; an owner slower than this is treated as having nothing.
constexpr int askTimeoutMs = 250;
constexpr qint64 textByteCap = 16 * 1024 * 1024;

} // namespace

X11Pasteboard::X11Pasteboard(const QByteArray& displayName, std::shared_ptr<ClipboardOwner> owner)
    : m_owner(owner ? std::move(owner) : std::make_shared<ClipboardOwner>(displayName))
    , m_reader(displayName)
    , m_watcher(displayName, m_owner.get()) {}

X11Pasteboard::~X11Pasteboard() = default;

bool X11Pasteboard::isValid() const {
    return m_owner->isValid() && m_reader.isValid() && m_watcher.isValid();
}

void X11Pasteboard::watchChanges() {
    m_watcher.reset();
}

quint64 X11Pasteboard::changeCount() {
    return m_watcher.changeCount();
}

Pasteboard::Saved X11Pasteboard::snapshot() {
    ClipboardSnapshotReader::Result result = m_reader.read();
    if (result.status != ClipboardSnapshotReader::Status::Taken)
        return {};
    return {true, std::move(result.snapshot)};
}

bool X11Pasteboard::hasTypes() {
    const std::optional<QStringList> offered =
        m_reader.offeredTargets(QDeadlineTimer(askTimeoutMs));
    return offered && !offered->isEmpty();
}

bool X11Pasteboard::isConcealed() {
    const QDeadlineTimer deadline(askTimeoutMs);
    const std::optional<QStringList> offered = m_reader.offeredTargets(deadline);
    const QString marker(PasteboardTypes::concealedTarget);
    if (!offered || !offered->contains(marker))
        return false;
    // An owner that marks its entry but will not say how is treated as concealing it.
    const std::optional<ClipboardTarget> value = m_reader.fetch(marker, deadline, 4096);
    return !value || PasteboardTypes::isConcealed(marker, value->data);
}

std::optional<QString> X11Pasteboard::plainText() {
    const QDeadlineTimer deadline(askTimeoutMs);
    for (const QString& target : {QStringLiteral("UTF8_STRING"), QStringLiteral("STRING")}) {
        const std::optional<ClipboardTarget> text = m_reader.fetch(target, deadline, textByteCap);
        // Some owners answer any target with their own type: only text types count as text.
        if (!text || text->format != 8)
            continue;
        if (text->type == QLatin1StringView("UTF8_STRING"))
            return QString::fromUtf8(text->data);
        if (text->type == QLatin1StringView("STRING"))
            return QString::fromLatin1(text->data);
    }
    return std::nullopt;
}

bool X11Pasteboard::restore(const ClipboardSnapshot& contents) {
    return m_owner->restore(contents);
}
