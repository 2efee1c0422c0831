// A clipboard owner's TARGETS answer: the atoms it lists, and (taking the input's lines as the
// atoms' names) the order in which they are fetched.
#include "platform/linux/x11/ClipboardSnapshotReader.h"
#include "platform/linux/x11/XcbSelection.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

#include <QSet>

VERDOLIN_FUZZ_TARGET(X11Targets) {
    const QList<xcb_atom_t> atoms = XcbSelection::targetAtoms(input);
    FUZZ_CHECK(atoms.size() <= input.size() / 4);
    FUZZ_CHECK(!atoms.contains(xcb_atom_t(XCB_ATOM_NONE)));

    const QStringList offered = QString::fromUtf8(input).split(QLatin1Char('\n'));
    const QStringList order = ClipboardSnapshotReader::fetchOrder(offered);
    const QSet<QString> unique(order.begin(), order.end());
    FUZZ_CHECK(unique.size() == order.size());
    bool pastText = false;
    for (const QString& name : order) {
        FUZZ_CHECK(offered.contains(name));
        // Never what the owner answers itself or what makes it act.
        for (const char* never : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE",
                                  "INSERT_SELECTION", "INSERT_PROPERTY"})
            FUZZ_CHECK(name != QLatin1String(never));
        const bool text = name == u"UTF8_STRING" || name == u"STRING" || name == u"TEXT"
                          || name == u"COMPOUND_TEXT" || name.startsWith(u"text/");
        FUZZ_CHECK(!(text && pastText));
        pastText = pastText || !text;
    }
}
