#include "platform/linux/x11/PrimarySelectionReader.h"

#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using Outcome = PrimarySelectionReader::Outcome;
using Result = PrimarySelectionReader::Result;
using namespace std::chrono_literals;

class PrimarySelectionReaderTest : public ClipboardOnXvfb {
protected:
    void own(const QByteArray& data, const QString& target = QStringLiteral("UTF8_STRING")) {
        xclipIn(data, target, XCB_ATOM_PRIMARY);
    }
    // A PRIMARY owner answering UTF8_STRING (late by `delayMs`), sending over `chunk` by INCR.
    std::unique_ptr<ScriptedClipboardOwner> scripted(const QByteArray& data, int chunk = 65536,
                                                     int delayMs = 0,
                                                     const char* type = "UTF8_STRING") {
        return std::make_unique<ScriptedClipboardOwner>(
            display(), QStringList{"TARGETS", "UTF8_STRING"},
            QList<ScriptedClipboardOwner::Target>{{"UTF8_STRING", type, 8, data, delayMs}}, chunk,
            QStringLiteral("PRIMARY"));
    }
};

TEST_F(PrimarySelectionReaderTest, TextArrivesExactlyAsTheOwnerOffersIt) {
    QByteArray mixed;
    while (mixed.size() < 1536 * 1024)
        mixed += "ä€x😀";
    const struct {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {"Grüße, 日本語 🙂\n\tsecond line\n",
         QStringLiteral(u"Grüße, 日本語 🙂\n\tsecond line\n")},
        {QByteArray("terminated\0", 11), QStringLiteral("terminated")},     // a C string's end
        {QByteArray(3 * 1024 * 1024, 'z'), QString(3 * 1024 * 1024, u'z')}, // incremental
    };
    PrimarySelectionReader reader(m_display);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        own(c.bytes);
        EXPECT_TRUE(reader.read() == (Result{Outcome::text, c.expected}));
    }
    // Chunks of an odd size cut the characters apart: joined before decoding.
    const auto owner = scripted(mixed, 65537);
    EXPECT_TRUE(reader.read(2s, 10s) == (Result{Outcome::text, QString::fromUtf8(mixed)}));
}

TEST_F(PrimarySelectionReaderTest, ErrorOutcomes) {
    EXPECT_EQ(PrimarySelectionReader(":9999").read().outcome, Outcome::noDisplay);
    PrimarySelectionReader reader(m_display, 1000);
    EXPECT_EQ(reader.read().outcome, Outcome::noOwner);
    {
        ScriptedClipboardOwner refusing(display(), {"TARGETS"}, {}, 65536, "PRIMARY");
        EXPECT_EQ(reader.read().outcome, Outcome::refused);
    }
    // xclip answers every target with its own type.
    own("<b>bold</b>", QStringLiteral("text/html"));
    EXPECT_EQ(reader.read().outcome, Outcome::wrongType);
    own("caf\xe9 \xe0 la cr\xe8me", QStringLiteral("STRING"));
    EXPECT_TRUE(reader.read() == (Result{Outcome::text, QStringLiteral(u"café à la crème")}));
    // The cap is inclusive.
    own(QByteArray(1000, 'a'));
    EXPECT_TRUE(reader.read() == (Result{Outcome::text, QString(1000, u'a')}));
    own(QByteArray(1001, 'b'));
    EXPECT_EQ(reader.read().outcome, Outcome::tooLarge);
    // Over INCR the chunks count together, against the same inclusive cap.
    {
        const auto incremental = scripted(QByteArray(1000, 'c'), 600);
        EXPECT_TRUE(reader.read(2s, 10s) == (Result{Outcome::text, QString(1000, u'c')}));
    }
    {
        const auto incremental = scripted(QByteArray(5000, 'c'), 600);
        EXPECT_EQ(reader.read(2s, 10s).outcome, Outcome::tooLarge);
    }
    {
        const auto image = scripted(QByteArray(300000, 'p'), 4096, 0, "image/png");
        EXPECT_EQ(PrimarySelectionReader(m_display).read(2s, 10s).outcome, Outcome::wrongType);
    }
    own("small again");
    EXPECT_TRUE(reader.read() == (Result{Outcome::text, QStringLiteral("small again")}));
}

TEST_F(PrimarySelectionReaderTest, GivesUpOnASilentOwnerAndStaysUsable) {
    PrimarySelectionReader reader(m_display);
    {
        const auto late = scripted("never", 65536, 1000);
        EXPECT_EQ(reader.read(100ms, 5s).outcome, Outcome::timedOut);
    }
    // The late answer to the abandoned request is not taken for the next owner's.
    own("next");
    EXPECT_TRUE(reader.read() == (Result{Outcome::text, QStringLiteral("next")}));
}

TEST_F(PrimarySelectionReaderTest, ServesReadsFromSeveralThreadsOneAtATime) {
    QByteArray text;
    while (text.size() < 200 * 1024)
        text += "line of text ";
    const auto owner = scripted(text, 8192);
    PrimarySelectionReader reader(m_display);
    std::vector<std::future<Result>> reads;
    for (int i = 0; i < 4; ++i)
        reads.push_back(std::async(std::launch::async, [&] { return reader.read(2s, 20s); }));
    for (auto& read : reads)
        EXPECT_TRUE(read.get() == (Result{Outcome::text, QString::fromUtf8(text)}));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
