#include "platform/linux/apertium/ApertiumModeCommand.h"

#include <gtest/gtest.h>

namespace {

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
