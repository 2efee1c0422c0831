#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// The chunks of an INCR selection transfer put together, apart from the connection they come
// over: each new value of the property is one chunk, and an empty one ends the transfer.
class IncrementalTransfer {
public:
    enum class Step {
        more,     // wait for the next chunk
        done,     // data() holds the whole transfer
        tooLarge, // more than the cap: the transfer is abandoned
    };

    // A property value as the server handed it over.
    struct Chunk {
        std::uint32_t type = 0; // None (0) when the property was already gone
        std::uint8_t format = 8;
        std::uint32_t bytesAfter = 0; // what did not fit into the read
        QByteArrayView value;
    };

    // The type and format of a chunk.
    struct Kind {
        std::uint32_t type = 0;
        int format = 8;
    };

    // marker: a chunk of this type is the INCR announcement itself, seen late, never data
    // (0: no such check).
    IncrementalTransfer(qint64 byteCap, std::uint32_t marker);

    Step take(const Chunk& chunk);

    const QByteArray& data() const { return m_data; }
    QByteArray takeData() { return std::move(m_data); }
    // Of the first chunk taken.
    Kind first() const { return m_first; }
    // Of the last chunk with data; of the closing chunk when none had any.
    Kind last() const { return m_last; }

private:
    qint64 m_byteCap;
    std::uint32_t m_marker;
    QByteArray m_data;
    Kind m_first;
    Kind m_last;
};
