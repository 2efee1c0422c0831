#include "core/HistoryEntry.h"

#include "tests/support/HistoryEntryPrint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
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
    HistoryEntry nil = sampleEntry(), leap = sampleEntry();
    nil.id = QUuid();
    leap.date = utc(2024, 2, 29, 0, 0, 0);
    const struct {
        const char* key;
        const char* value;
        HistoryEntry expected;
    } cases[] = {{"id", "3f2504e0-4f89-41d3-9a0c-0305e82c3301", sampleEntry()},
                 {"id", "00000000-0000-0000-0000-000000000000", nil},
                 {"date", "2025-03-01T11:45:30+01:30", sampleEntry()},
                 {"date", "2025-02-28T23:15:30-11:00", sampleEntry()},
                 {"date", "2024-02-29T00:00:00Z", leap},
                 {"Source", "an unknown key is ignored", sampleEntry()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        QJsonObject object = *sampleEntry().toJson();
        object[QLatin1String(c.key)] = QString::fromUtf8(c.value);
        EXPECT_EQ(HistoryEntry::decodeList(QJsonDocument(QJsonArray{object}).toJson()),
                  QList<HistoryEntry>{c.expected});
    }
}

TEST(HistoryEntryJson, OneBadEntrySpoilsTheWholeArray) {
    // clang-format off
    const std::pair<const char*, QJsonValue> cases[] = {
        {"id", QJsonValue::Undefined}, {"date", QJsonValue::Undefined}, {"source", QJsonValue::Undefined},
        {"result", QJsonValue::Undefined}, {"from", QJsonValue::Undefined}, {"to", QJsonValue::Undefined},
        {"id", 5}, {"date", 1740824130}, {"source", QJsonValue::Null}, {"result", QJsonObject{}}, {"to", true},
        {"id", "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"}, {"id", "3F2504E0-4F89-41D3-9A0C-0305E82C330G"},
        {"id", "3F2504E04F8941D39A0C0305E82C3301"}, {"id", "3F2504E0-4F89-41D3-9A0C-0305E82C3301\n"},
        {"date", "2025-03-01T10:15:30.5Z"}, {"date", "2025-03-01T10:15:30.000Z"}, {"date", "2025-03-01T10:15:30"},
        {"date", "2025-03-01 10:15:30Z"}, {"date", "2025-03-01T10:15Z"}, {"date", "2025-03-01t10:15:30z"},
        {"date", "2025-02-30T10:15:30Z"}, {"date", "2025-03-01T24:00:00Z"}, {"date", "2016-12-31T23:59:60Z"},
        {"date", "0000-01-01T00:00:00Z"}, {"date", "2025-03-01T10:15:30+0100"}, {"date", "2025-03-01T10:15:30+24:00"},
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
    for (const char* document : {"", "{}", "null", "\"[]\"", "[1]", "[null]", "[{}]", "[", "[] []"})
        EXPECT_FALSE(HistoryEntry::decodeList(QByteArray(document))) << document;
}

TEST(HistoryEntryEquality, EveryFieldCountsAndEqualEntriesHashAlike) {
    const std::function<void(HistoryEntry&)> changes[] = {
        [](HistoryEntry& e) { e.id = QUuid::createUuid(); },
        [](HistoryEntry& e) { e.date = e.date.addMSecs(1); },
        [](HistoryEntry& e) { e.source += "!"; },
        [](HistoryEntry& e) { e.result += "!"; },
        [](HistoryEntry& e) { e.from = "fr"; },
        [](HistoryEntry& e) { e.to = "fr"; }};
    QSet<HistoryEntry> set{sampleEntry()};
    for (const auto& change : changes) {
        HistoryEntry changed = sampleEntry();
        change(changed);
        EXPECT_NE(changed, sampleEntry());
        set.insert(changed);
    }
    // The same instant written in another zone is the same entry.
    HistoryEntry sameInstant = sampleEntry();
    sameInstant.date = QDateTime(QDate(2025, 3, 1), QTime(11, 15, 30), Qt::OffsetFromUTC, 3600);
    EXPECT_EQ(sameInstant, sampleEntry());
    set.insert(sameInstant);
    EXPECT_EQ(set.size(), 7);
}

} // namespace
