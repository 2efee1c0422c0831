#include "platform/linux/x11/IncrementalTransfer.h"

IncrementalTransfer::IncrementalTransfer(qint64 byteCap, std::uint32_t marker)
    : m_byteCap(byteCap)
    , m_marker(marker) {}

IncrementalTransfer::Step IncrementalTransfer::take(const Chunk& chunk) {
    // The notice of the INCR marker may come after the marker is gone, or while it is still
    // there: taken for the empty last chunk it would end the transfer early.
    if (chunk.type == 0 || (m_marker != 0 && chunk.type == m_marker))
        return Step::more;
    if (chunk.bytesAfter > 0)
        return Step::tooLarge;
    if (m_first.type == 0)
        m_first = {chunk.type, chunk.format};
    if (chunk.value.isEmpty()) {
        if (m_last.type == 0)
            m_last = {chunk.type, chunk.format};
        return Step::done;
    }
    if (m_data.size() + chunk.value.size() > m_byteCap)
        return Step::tooLarge;
    m_last = {chunk.type, chunk.format};
    m_data.append(chunk.value);
    return Step::more;
}
