// An INCR selection transfer as an owner sends it, chunk by chunk, and the text made of it.
// Input: the cap (2 bytes), then chunks of type (1 byte: 0 None, 1 the INCR marker, 2
// UTF8_STRING, 3 STRING, else as it is), format, whether more was left (1 byte each) and the
// value's length (1 byte) followed by the value.
#include "platform/linux/x11/IncrementalTransfer.h"
#include "platform/linux/x11/PrimarySelectionReader.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

#include <xcb/xcb.h>

namespace {

constexpr std::uint32_t kMarker = 400;
constexpr std::uint32_t kUtf8String = 401;

std::uint32_t typeOf(quint8 code) {
    constexpr std::uint32_t types[] = {XCB_ATOM_NONE, kMarker, kUtf8String, XCB_ATOM_STRING};
    return code < 4 ? types[code] : code;
}

} // namespace

VERDOLIN_FUZZ_TARGET(X11Incr) {
    const qint64 cap = FuzzInput::takeNumber(input, 2);
    // As the clipboard reads it (no marker check) and as the primary selection does.
    IncrementalTransfer clipboard(cap, 0);
    IncrementalTransfer primary(cap, kMarker);
    bool clipboardOpen = true;
    bool primaryOpen = true;
    QByteArray primaryData;
    while (input.size() >= 4 && (clipboardOpen || primaryOpen)) {
        IncrementalTransfer::Chunk chunk;
        chunk.type = typeOf(quint8(input[0]));
        chunk.format = quint8(input[1]);
        chunk.bytesAfter = quint8(input[2]) & 1;
        const qsizetype length = std::min<qsizetype>(quint8(input[3]), input.size() - 4);
        chunk.value = input.sliced(4, length);
        input = input.sliced(4 + length);
        for (auto [transfer, open] :
             {std::pair{&clipboard, &clipboardOpen}, std::pair{&primary, &primaryOpen}}) {
            if (!*open)
                continue;
            const qsizetype before = transfer->data().size();
            const IncrementalTransfer::Step step = transfer->take(chunk);
            FUZZ_CHECK(transfer->data().size() <= cap);
            // Only a chunk with data adds, and all of it.
            if (step == IncrementalTransfer::Step::more)
                FUZZ_CHECK(transfer->data().size() == before
                           || transfer->data()
                                  == transfer->data().first(before) + chunk.value.toByteArray());
            else
                FUZZ_CHECK(transfer->data().size() == before);
            if (step == IncrementalTransfer::Step::done) {
                FUZZ_CHECK(chunk.value.isEmpty() && chunk.type != XCB_ATOM_NONE);
                FUZZ_CHECK(transfer->first().type != XCB_ATOM_NONE);
                FUZZ_CHECK(transfer->last().type != XCB_ATOM_NONE);
            }
            *open = step == IncrementalTransfer::Step::more;
        }
    }
    const IncrementalTransfer::Kind kind = primary.first();
    const PrimarySelectionReader::Result text =
        PrimarySelectionReader::textOf(kind.type, kind.format, primary.takeData(), kUtf8String);
    FUZZ_CHECK(text.outcome == PrimarySelectionReader::Outcome::text
               || text.outcome == PrimarySelectionReader::Outcome::wrongType);
    FUZZ_CHECK(!text.text.endsWith(QChar(u'\0')));
}
