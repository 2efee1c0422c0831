#include "core/HistoryEntry.h"

#include <QDate>
#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTime>

namespace {

const QLatin1String idKey("id");
const QLatin1String dateKey("date");
const QLatin1String sourceKey("source");
const QLatin1String resultKey("result");
const QLatin1String fromKey("from");
const QLatin1String toKey("to");

std::optional<QString> formatDate(const QDateTime& date) {
    if (!date.isValid())
        return std::nullopt;
    const QDateTime utc = date.toUTC();
    // The reader takes exactly four year digits.
    if (utc.date().year() < 1 || utc.date().year() > 9999)
        return std::nullopt;
    // Fractions of a second are dropped, never rounded up into the next second.
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<QDateTime> parseDate(const QString& text) {
    // Anchored at both ends: a plain "$" would also let a trailing line break through.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})"
                       "(?:Z|([+-])([0-9]{2}):([0-9]{2}))")));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate day(number(1), number(2), number(3));
    const QTime timeOfDay(number(4), number(5), number(6));
    if (!day.isValid() || !timeOfDay.isValid())
        return std::nullopt;
    QDateTime date(day, timeOfDay, Qt::UTC);
    if (match.hasCaptured(7)) {
        const int hours = number(8);
        const int minutes = number(9);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        const int offset = (hours * 60 + minutes) * 60;
        // Local time minus its offset is UTC.
        date = date.addSecs(match.capturedView(7) == QLatin1Char('+') ? -offset : offset);
        // Whatever is read must be writable again, or the next save would fail.
        if (!formatDate(date))
            return std::nullopt;
    }
    return date;
}

std::optional<QUuid> parseId(const QString& text) {
    // QUuid also takes braces and reads garbage as the nil identifier; only the bare
    // 8-4-4-4-12 form is an identifier here.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral(
        "[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}")));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

std::optional<QString> stringAt(const QJsonObject& object, QLatin1String key) {
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<QJsonObject> HistoryEntry::toJson() const {
    const std::optional<QString> dateText = formatDate(date);
    if (!dateText)
        return std::nullopt;
    QJsonObject object;
    object.insert(idKey, id.toString(QUuid::WithoutBraces).toUpper());
    object.insert(dateKey, *dateText);
    object.insert(sourceKey, source);
    object.insert(resultKey, result);
    object.insert(fromKey, from);
    object.insert(toKey, to);
    return object;
}

std::optional<HistoryEntry> HistoryEntry::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<QString> idText = stringAt(object, idKey);
    const std::optional<QString> dateText = stringAt(object, dateKey);
    const std::optional<QString> source = stringAt(object, sourceKey);
    const std::optional<QString> result = stringAt(object, resultKey);
    const std::optional<QString> from = stringAt(object, fromKey);
    const std::optional<QString> to = stringAt(object, toKey);
    if (!idText || !dateText || !source || !result || !from || !to)
        return std::nullopt;
    const std::optional<QUuid> id = parseId(*idText);
    const std::optional<QDateTime> date = parseDate(*dateText);
    if (!id || !date)
        return std::nullopt;
    return HistoryEntry{*id, *date, *source, *result, *from, *to};
}

std::optional<QByteArray> HistoryEntry::encodeList(const QList<HistoryEntry>& entries) {
    QJsonArray array;
    for (const HistoryEntry& entry : entries) {
        const std::optional<QJsonObject> object = entry.toJson();
        if (!object)
            return std::nullopt;
        array.append(*object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<HistoryEntry>> HistoryEntry::decodeList(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<HistoryEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        std::optional<HistoryEntry> entry = fromJson(value);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

size_t qHash(const HistoryEntry& entry, size_t seed) {
    return qHashMulti(seed, entry.id, entry.date, entry.source, entry.result, entry.from, entry.to);
}
