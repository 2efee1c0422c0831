// The history file: a JSON array of entries, written by this and other processes.
#include "core/HistoryEntry.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(HistoryFile) {
    const std::optional<QList<HistoryEntry>> entries =
        HistoryEntry::decodeList(input.toByteArray());
    if (!entries)
        return;
    // Whatever is read must be written again, and read back the same, or the next save would
    // set the file aside.
    const std::optional<QByteArray> encoded = HistoryEntry::encodeList(*entries);
    FUZZ_CHECK(encoded.has_value());
    const std::optional<QList<HistoryEntry>> again = HistoryEntry::decodeList(*encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *entries);
    FUZZ_CHECK(HistoryEntry::encodeList(*again) == encoded);
}
