#include "platform/linux/apertium/ApertiumModes.h"

#include "platform/linux/apertium/ApertiumModeCommand.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ApertiumModesTest, MapsSidesToBcp47) {
    // clang-format off
    const struct { const char* side; const char* identifier; const char* languageCode;
        const char* minimal; const char* maximal; } cases[] = {
        // The sides of the modes Debian's eng-spa and spa-cat install.
        {"eng", "en", "en", "en", "en-Latn-US"},
        {"eng_US", "en-US", "en", "en", "en-Latn-US"},
        {"cat_valencia", "ca-valencia", "ca", "ca-valencia", "ca-Latn-ES-valencia"},
        {"cat_valencia_uni_iec2017", "ca-valencia-x-uni-iec2017", "ca", "ca-valencia-x-uni-iec2017",
         "ca-Latn-ES-valencia-x-uni-iec2017"},
        // Older pairs write ISO 639-1; a region that is not the likely one stays minimal.
        {"eo", "eo", "eo", "eo", "eo-Latn-001"},
        {"eng_GB", "en-GB", "en", "en-GB", "en-Latn-GB"},
        {"por_BR", "pt-BR", "pt", "pt", "pt-Latn-BR"},
        {"nob", "nb", "nb", "nb", "nb-Latn-NO"},
        // A script that is not the likely one is kept in the minimal form.
        {"srp_Latn", "sr-Latn", "sr", "sr-Latn", "sr-Latn-RS"},
        {"spa_419", "es-419", "es", "es-419", "es-Latn-419"},
        // No ISO 639-1 code: the 639-3 code stays.
        {"ast", "ast", "ast", "ast", "ast-Latn-ES"},
        // Unknown to the locale data: kept as written, nothing to maximise.
        {"hbs", "hbs", "hbs", "hbs", "hbs"},
        // Four letters that name no script are private use; a registered variant stays one.
        {"oci_aran", "oc-x-aran", "oc", "oc-x-aran", "oc-Latn-FR-x-aran"},
        {"eng_US_oxendict", "en-US-oxendict", "en", "en-oxendict", "en-Latn-US-oxendict"},
        // Private-use subtags are 1-8 letters or digits.
        {"cat_valencia2017extra", "ca-x-valencia", "ca", "ca-x-valencia", "ca-Latn-ES-x-valencia"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side);
        const std::optional<EngineLanguage> language =
            ApertiumModes::language(QString::fromUtf8(c.side));
        ASSERT_TRUE(language.has_value());
        EXPECT_EQ(language->identifier.toStdString(), c.identifier);
        EXPECT_EQ(language->languageCode.toStdString(), c.languageCode);
        EXPECT_EQ(language->minimalIdentifier.toStdString(), c.minimal);
        EXPECT_EQ(language->maximalIdentifier.toStdString(), c.maximal);
        EXPECT_EQ(language->engineCode.toStdString(), c.side);
    }
}

TEST(ApertiumModesTest, RejectsSidesThatAreNoLanguageCode) {
    for (const char* side : {"", "e", "engl", "en1", "_US", "ñan", "eng-"}) {
        EXPECT_FALSE(ApertiumModes::language(QString::fromUtf8(side))) << side;
    }
}

TEST(ApertiumModesTest, ParsesDirectionsAndRejectsOtherModeNames) {
    const auto mode = ApertiumModes::parse(QStringLiteral("spa-cat_valencia"));
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->source.identifier, QStringLiteral("es"));
    EXPECT_EQ(mode->target.identifier, QStringLiteral("ca-valencia"));

    // A variant of the same language is a direction of its own.
    EXPECT_TRUE(ApertiumModes::parse(QStringLiteral("eng-eng_US")));
    // Debug modes, tool modes and one-sided names are not directions.
    for (const char* name : {"eng", "eng-spa-anmor", "eng-spa-tagger", "eng-", "-spa", "eng-eng",
                             "eng-en", "eng-s1"}) {
        EXPECT_FALSE(ApertiumModes::parse(QString::fromUtf8(name))) << name;
    }
}

TEST(ApertiumModesTest, ScansFoldersInOrderAndKeepsTheFirstFileOfAPair) {
    QTemporaryDir user;
    QTemporaryDir system;
    ASSERT_TRUE(user.isValid() && system.isValid());
    for (const QString& path : {user.filePath("en-es.mode"), system.filePath("spa-eng_US.mode"),
                                system.filePath("eng-spa.mode"), system.filePath("cat-spa.mode"),
                                system.filePath("eng-spa-anmor.mode"), system.filePath("README")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(system.path()).mkdir(QStringLiteral("folder.mode")));

    const QList<ApertiumMode> modes = ApertiumModes::scan(
        {user.path(), system.path(), system.filePath(QStringLiteral("missing"))});

    QStringList seen;
    for (const ApertiumMode& mode : modes)
        seen.append(QFileInfo(mode.file).fileName());
    // eng-spa is the same pair of languages as the user's en-es, which wins.
    EXPECT_EQ(seen, (QStringList{"en-es.mode", "cat-spa.mode", "spa-eng_US.mode"}));
    EXPECT_EQ(modes.first().file, QFileInfo(user.filePath("en-es.mode")).absoluteFilePath());
    EXPECT_EQ(modes.first().source.engineCode, QStringLiteral("en"));
}

using namespace Qt::StringLiterals;
using Stages = QList<QStringList>;

TEST(ApertiumModeCommandTest, SplitsStagesAndFillsParameters) {
    const QString command =
        u"lt-proc -z '/usr/share/apertium/apertium-eng-spa/eng-spa.automorf.bin' | "
        u"apertium-wblank-attach  | apertium-tagger -z -g $2 '/p/eng-spa.prob' | "
        u"apertium-pretransfer -z  | apertium-wblank-detach  | lt-proc -z $1 '/p/gen.bin'\n"_s;
    const Stages expected = {
        {u"lt-proc"_s, u"-z"_s, u"/usr/share/apertium/apertium-eng-spa/eng-spa.automorf.bin"_s},
        {u"apertium-tagger"_s, u"-z"_s, u"-g"_s, u"/p/eng-spa.prob"_s},
        {u"apertium-pretransfer"_s, u"-z"_s},
        {u"lt-proc"_s, u"-z"_s, u"-n"_s, u"/p/gen.bin"_s},
    };
    EXPECT_EQ(ApertiumModeCommand::parse(command), expected);
}

TEST(ApertiumModeCommandTest, HonoursQuotingAndEscapesAndLeavesQuotedParametersAlone) {
    const QString command = uR"(prog 'a b' "c \"d\" \\e" f\ g 'h'"i" '' '$1' x|/usr/bin/last)"_s;
    const Stages expected = {
        {u"prog"_s, u"a b"_s, uR"(c "d" \e)"_s, u"f g"_s, u"hi"_s, u""_s, u"$1"_s, u"x"_s},
        {u"/usr/bin/last"_s},
    };
    EXPECT_EQ(ApertiumModeCommand::parse(command), expected);
}

TEST(ApertiumModeCommandTest, RejectsWhatNeedsAShellOrIsIncomplete) {
    for (const char16_t* command :
         {u"", u"   \n", u"a | | b", u"a |", u"| a", u"a > out", u"a 2>/dev/null", u"a; b",
          u"a && b", u"a $(b)", u"a `b`", u"a $HOME", u"a \"$3\"", u"a 'open", u"a \"open", u"a \\",
          u"a *.bin", u"apertium-wblank-attach | apertium-wblank-detach"}) {
        EXPECT_FALSE(ApertiumModeCommand::parse(QString::fromUtf16(command)).has_value())
            << QString::fromUtf16(command).toStdString();
    }
}

} // namespace
