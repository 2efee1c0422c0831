#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

// What a second start of Verdolin hands to the running one over the per-user socket: its
// command-line arguments (URLs included), as a JSON array of strings.
namespace InstanceMessage {

// A peer may send no more; the reader stops reading past it.
constexpr qsizetype kMaxBytes = 64 * 1024;

QByteArray encode(const QStringList& arguments);

// None when the message is longer than kMaxBytes or is not an array of strings.
std::optional<QStringList> decode(const QByteArray& message);

// What the reader makes of the bytes a peer has sent so far.
struct Reading {
    enum class Verdict {
        waiting,  // more may come: not a whole message yet
        tooLong,  // past kMaxBytes: the peer is dropped
        invalid,  // the peer closed without a whole message
        complete, // `arguments` holds the message
    };
    Verdict verdict = Verdict::waiting;
    QStringList arguments;
};

// `received`: at most kMaxBytes + 1 bytes, all the peer sent so far; `ended`: whether it
// closed the connection.
Reading read(const QByteArray& received, bool ended);

} // namespace InstanceMessage
