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

} // namespace InstanceMessage
