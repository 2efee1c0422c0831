#include "core/HistoryEntry.h"

#include "tests/support/HistoryEntryPrint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

const QString sampleId = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC);
}

HistoryEntry sampleEntry() {
    return HistoryEntry{QUuid::fromString(sampleId),    utc(2025, 3, 1, 10, 15, 30),
                        QStringLiteral("Guten Morgen"), QStringLiteral("Good morning"),
                        QStringLiteral("de"),           QStringLiteral("en")};
}

QJsonObject sampleObject() {
    return *sampleEntry().toJson();
}

QByteArray arrayOf(const QJsonObject& object) {
    return QJsonDocument(QJsonArray{object}).toJson();
}

TEST(HistoryEntryJson, WritesTheFileFormCompactly) {
    EXPECT_EQ(HistoryEntry::encodeList({sampleEntry()}),
              QByteArray(R"([{"date":"2025-03-01T10:15:30Z","from":"de",)"
                         R"("id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301",)"
                         R"("result":"Good morning","source":"Guten Morgen","to":"en"}])"));
}

TEST(HistoryEntryJson, RoundTripKeepsOrderAndDropsFractionsOfASecond) {
    QList<HistoryEntry> entries;
    for (int i = 0; i < 4; ++i) {
        HistoryEntry entry = sampleEntry();
        entry.id = QUuid::createUuid();
        entry.date = utc(2025, 3, 1, 10, 15, 30 - i, 999);
        entry.source =
            QStringLiteral("%1 \"quoted\"\n\t\u00e9\U0001F600\\ %2").arg(i).arg(QChar(0));
        entries.append(entry);
    }
    const std::optional<QList<HistoryEntry>> decoded =
        HistoryEntry::decodeList(HistoryEntry::encodeList(entries).value_or(QByteArray()));
    ASSERT_TRUE(decoded);
    for (HistoryEntry& entry : entries)
        entry.date = entry.date.addMSecs(-999);
    EXPECT_EQ(*decoded, entries);
}

TEST(HistoryEntryJson, WritesDatesInUtcWithTheFractionDropped) {
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
}

// Such a date could not be read back, so the whole list is refused rather than writing a
// file that the next start would set aside.
TEST(HistoryEntryJson, RefusesDatesItCouldNotReadBack) {
    for (const QDateTime& date :
         {QDateTime(), utc(-1, 12, 31, 23, 0, 0), utc(10000, 1, 1, 0, 0, 0)}) {
        HistoryEntry entry = sampleEntry();
        entry.date = date;
        EXPECT_FALSE(entry.toJson()) << date.toString().toStdString();
        EXPECT_FALSE(HistoryEntry::encodeList({sampleEntry(), entry}));
    }
}

struct ReadableCase {
    const char* name;
    const char* key;
    const char* value;
    std::function<void(HistoryEntry&)> expect;
};

class HistoryEntryReadable : public testing::TestWithParam<ReadableCase> {};

TEST_P(HistoryEntryReadable, Decodes) {
    QJsonObject object = sampleObject();
    object[QLatin1String(GetParam().key)] = QString::fromUtf8(GetParam().value);
    HistoryEntry expected = sampleEntry();
    GetParam().expect(expected);
    EXPECT_EQ(HistoryEntry::decodeList(arrayOf(object)), QList<HistoryEntry>{expected});
}

INSTANTIATE_TEST_SUITE_P(
    Forms, HistoryEntryReadable,
    testing::Values(ReadableCase{"lowerCaseIdentifier", "id",
                                 "3f2504e0-4f89-41d3-9a0c-0305e82c3301", [](HistoryEntry&) {}},
                    ReadableCase{"nilIdentifier", "id", "00000000-0000-0000-0000-000000000000",
                                 [](HistoryEntry& e) { e.id = QUuid(); }},
                    ReadableCase{"positiveOffset", "date", "2025-03-01T11:45:30+01:30",
                                 [](HistoryEntry&) {}},
                    ReadableCase{"negativeOffsetAcrossMidnight", "date",
                                 "2025-02-28T23:15:30-11:00", [](HistoryEntry&) {}},
                    ReadableCase{"leapDay", "date", "2024-02-29T00:00:00Z",
                                 [](HistoryEntry& e) { e.date = utc(2024, 2, 29, 0, 0, 0); }},
                    ReadableCase{"extraKey", "Source", "ignored", [](HistoryEntry&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadEntryCase {
    const char* name;
    const char* key;
    std::optional<QJsonValue> value; // absent: the key is left out
};

class HistoryEntryUnreadable : public testing::TestWithParam<BadEntryCase> {};

TEST_P(HistoryEntryUnreadable, SpoilsTheWholeArray) {
    QJsonObject bad = sampleObject();
    if (GetParam().value)
        bad[QLatin1String(GetParam().key)] = *GetParam().value;
    else
        bad.remove(QLatin1String(GetParam().key));
    EXPECT_FALSE(HistoryEntry::decodeList(QJsonDocument(QJsonArray{sampleObject(), bad}).toJson()));
}

BadEntryCase missing(const char* key) {
    return {key, key, std::nullopt};
}

BadEntryCase with(const char* name, const char* key, QJsonValue value) {
    return {name, key, std::move(value)};
}

INSTANTIATE_TEST_SUITE_P(MissingKeys, HistoryEntryUnreadable,
                         testing::Values(missing("id"), missing("date"), missing("source"),
                                         missing("result"), missing("from"), missing("to")),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(WrongTypes, HistoryEntryUnreadable,
                         testing::Values(with("idNumber", "id", 5),
                                         with("dateNumber", "date", 1740824130),
                                         with("sourceNull", "source", QJsonValue::Null),
                                         with("resultObject", "result", QJsonObject{}),
                                         with("toBool", "to", true)),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BadIdentifiers, HistoryEntryUnreadable,
    testing::Values(with("braced", "id", "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"),
                    with("words", "id", "not-an-identifier"),
                    with("nonHex", "id", "3F2504E0-4F89-41D3-9A0C-0305E82C330G"),
                    with("noHyphens", "id", "3F2504E04F8941D39A0C0305E82C3301"),
                    with("trailingLineBreak", "id", "3F2504E0-4F89-41D3-9A0C-0305E82C3301\n")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BadDates, HistoryEntryUnreadable,
    testing::Values(with("fraction", "date", "2025-03-01T10:15:30.5Z"),
                    with("zeroFraction", "date", "2025-03-01T10:15:30.000Z"),
                    with("noZone", "date", "2025-03-01T10:15:30"),
                    with("space", "date", "2025-03-01 10:15:30Z"),
                    with("noSeconds", "date", "2025-03-01T10:15Z"),
                    with("lowerCase", "date", "2025-03-01t10:15:30z"),
                    with("february30", "date", "2025-02-30T10:15:30Z"),
                    with("hour24", "date", "2025-03-01T24:00:00Z"),
                    with("leapSecond", "date", "2016-12-31T23:59:60Z"),
                    with("yearZero", "date", "0000-01-01T00:00:00Z"),
                    with("offsetWithoutColon", "date", "2025-03-01T10:15:30+0100"),
                    with("offsetHour24", "date", "2025-03-01T10:15:30+24:00"),
                    with("offsetLeavesYear9999", "date", "9999-12-31T23:30:00-01:00"),
                    with("trailingLineBreak", "date", "2025-03-01T10:15:30Z\n"),
                    with("otherDigits", "date",
                         QString::fromUtf8("\u0662\u0660\u0662\u0665-03-01T10:15:30Z"))),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryEntryJson, KeysAreCaseSensitive) {
    QJsonObject object = sampleObject();
    object.remove("source");
    object["Source"] = "Guten Morgen";
    EXPECT_FALSE(HistoryEntry::decodeList(arrayOf(object)));
}

class HistoryEntryNotAnArray : public testing::TestWithParam<const char*> {};

TEST_P(HistoryEntryNotAnArray, IsUnreadable) {
    EXPECT_FALSE(HistoryEntry::decodeList(QByteArray(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Documents, HistoryEntryNotAnArray,
                         testing::Values("", "{}", "null", "\"[]\"", "[1]", "[null]", "[{}]", "[",
                                         "[] []"));

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
