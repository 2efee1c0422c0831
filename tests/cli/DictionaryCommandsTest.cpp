#include "cli/CommandLine.h"
#include "tests/cli/CommandLineFixture.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using DictionaryCommandsTest = CommandLineFixture;

// Their failures are rows of the exit-code table in CommandLineTest.
TEST_F(DictionaryCommandsTest, DefineAndListPrintWhatIsAskedFor) {
    const struct {
        QStringList arguments;
        QString input;
        QString out;
    } cases[] = {
        // The active dictionaries with a definition, bilingual first.
        {{"define", "house"},
         {},
         "English-Spanish FreeDict\ncasa\n\nWordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n"},
        // Only the named ones, in their order.
        {{"define", "--dict", "moby-thesaurus", "house", "--dict=wn"},
         {},
         "WordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n\nMoby Thesaurus\nhome, abode\n"},
        {{"define", "--dict", "fd-eng-spa"}, "  house\n", "English-Spanish FreeDict\ncasa\n"},
        {{"dictionaries"},
         {},
         "identifier      name                      format    active\n"
         "fd-eng-spa      English-Spanish FreeDict  dictd     yes\n"
         "fd-deu-eng      German-English            dictd     yes\n"
         "moby-thesaurus  Moby Thesaurus            StarDict  no\n"
         "wn              WordNet (r) 3.0           dictd     yes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLineFixture::Result r = run(c.arguments, c.input);
        EXPECT_EQ(r.code, CommandLine::done);
        EXPECT_EQ(r.out, c.out);
    }
    // Without active dictionaries, the default one answers.
    source->active.clear();
    EXPECT_EQ(run({"define", "house"}).out, QStringLiteral("Dictionary\ncasa\n"));
    EXPECT_EQ(engineRequests, 0) << "dictionary commands never need the engine";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
