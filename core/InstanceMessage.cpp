#include "core/InstanceMessage.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace InstanceMessage {

QByteArray encode(const QStringList& arguments) {
    return QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
}

std::optional<QStringList> decode(const QByteArray& message) {
    if (message.size() > kMaxBytes)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QStringList arguments;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString())
            return std::nullopt;
        arguments.append(value.toString());
    }
    return arguments;
}

Reading read(const QByteArray& received, bool ended) {
    if (received.size() > kMaxBytes)
        return {Reading::Verdict::tooLong, {}};
    // Only the whole array decodes; a ']' inside a string just means more is to come.
    std::optional<QStringList> arguments = received.endsWith(']') ? decode(received) : std::nullopt;
    if (arguments)
        return {Reading::Verdict::complete, std::move(*arguments)};
    return {ended ? Reading::Verdict::invalid : Reading::Verdict::waiting, {}};
}

} // namespace InstanceMessage
