#include "core/HistoryEntry.h"

#include "tests/support/HistoryEntryPrint.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <optional>

namespace {

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

HistoryEntry sampleEntry() {
    return HistoryEntry{QUuid::fromString(QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301")),
                        utc(2025, 3, 1, 10, 15, 30),
                        QStringLiteral("Guten Morgen"),
                        QStringLiteral("Good morning"),
                        QStringLiteral("de"),
                        QStringLiteral("en")};
}

TEST(HistoryEntryJson, WritesCompactlyAndRoundTripsDroppingFractionsOfASecond) {
    EXPECT_EQ(HistoryEntry::encodeList({sampleEntry()}),
              QByteArray(R"([{"date":"2025-03-01T10:15:30Z","from":"de",)"
                         R"("id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301",)"
                         R"("result":"Good morning","source":"Guten Morgen","to":"en"}])"));
    QList<HistoryEntry> entries;
    for (int i = 0; i < 3; ++i) {
        HistoryEntry entry = sampleEntry();
        entry.id = QUuid::createUuid();
        entry.date = utc(2025, 3, 1, 10, 15, 30 - i, 999);
        entry.source = QStringLiteral("%1 \"q\"\n\t\u00e9\U0001F600\\ %2").arg(i).arg(QChar(0));
        entries.append(entry);
    }
    const auto decoded = HistoryEntry::decodeList(*HistoryEntry::encodeList(entries));
    for (HistoryEntry& entry : entries)
        entry.date = entry.date.addMSecs(-999);
    EXPECT_EQ(decoded, entries);
}

TEST(HistoryEntryJson, WritesDatesInUtcAndRefusesDatesItCouldNotReadBack) {
    const auto written = [](const QDateTime& date) {
        HistoryEntry entry = sampleEntry();
        entry.date = date;
        return entry.toJson().value_or(QJsonObject()).value("date").toString();
    };
    EXPECT_EQ(
        written(QDateTime(QDate(2025, 3, 1), QTime(11, 15, 30, 999), Qt::OffsetFromUTC, 3600)),
        "2025-03-01T10:15:30Z");
    // Before 1970 too the fraction goes towards the earlier second.
    EXPECT_EQ(written(utc(1969, 12, 31, 23, 59, 59, 500)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(written(utc(1, 1, 1, 0, 0, 0)), "0001-01-01T00:00:00Z");
    EXPECT_EQ(written(utc(9999, 12, 31, 23, 59, 59)), "9999-12-31T23:59:59Z");
    // The whole list is refused rather than writing a file the next start would set aside.
    for (const QDateTime& date :
         {QDateTime(), utc(-1, 12, 31, 23, 0, 0), utc(10000, 1, 1, 0, 0, 0)}) {
        HistoryEntry entry = sampleEntry();
        entry.date = date;
        EXPECT_FALSE(entry.toJson()) << date.toString().toStdString();
        EXPECT_FALSE(HistoryEntry::encodeList({sampleEntry(), entry}));
    }
}

TEST(HistoryEntryJson, ReadsEveryAcceptedForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"id", "3f2504e0-4f89-41d3-9a0c-0305e82c3301"},
        {"date", "2025-03-02T09:15:30+23:00"},
        {"date", "2025-02-28T23:15:30-11:00"},
        {"Source", "an unknown key is ignored"}};
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(value);
        QJsonObject object = *sampleEntry().toJson();
        object[QLatin1String(key)] = QString::fromUtf8(value);
        EXPECT_EQ(HistoryEntry::decodeList(QJsonDocument(QJsonArray{object}).toJson()),
                  QList<HistoryEntry>{sampleEntry()});
    }
}

TEST(HistoryEntryJson, OneBadEntrySpoilsTheWholeArray) {
    // clang-format off
    const std::pair<const char*, QJsonValue> cases[] = {
        {"id", QJsonValue::Undefined}, {"date", QJsonValue::Undefined}, {"source", QJsonValue::Undefined},
        {"result", QJsonValue::Undefined}, {"from", QJsonValue::Undefined}, {"to", QJsonValue::Undefined},
        {"date", 1740824130}, {"id", "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"},
        {"id", "3F2504E0-4F89-41D3-9A0C-0305E82C3301\n"}, {"date", "2025-03-01T10:15:30.5Z"},
        {"date", "2025-03-01T10:15:30"}, {"date", "2025-03-01t10:15:30z"}, {"date", "2025-02-30T10:15:30Z"},
        {"date", "2025-03-01T24:00:00Z"}, {"date", "2025-03-01T10:15:30+24:00"}, {"date", "2025-03-01T10:15:30+01:60"},
        {"date", "9999-12-31T23:30:00-01:00"}, {"date", "2025-03-01T10:15:30Z\n"},
        {"date", QString::fromUtf8("\u0662\u0660\u0662\u0665-03-01T10:15:30Z")}};
    // clang-format on
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(testing::Message()
                     << key << " " << value.toVariant().toString().toStdString());
        QJsonObject bad = *sampleEntry().toJson();
        if (value.isUndefined())
            bad.remove(QLatin1String(key));
        else
            bad[QLatin1String(key)] = value;
        EXPECT_FALSE(HistoryEntry::decodeList(
            QJsonDocument(QJsonArray{*sampleEntry().toJson(), bad}).toJson()));
    }
    for (const char* document : {"", "{}", "[1]", "[", "[] []"})
        EXPECT_FALSE(HistoryEntry::decodeList(QByteArray(document))) << document;
}

} // namespace
