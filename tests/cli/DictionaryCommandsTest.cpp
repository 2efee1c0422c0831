#include "cli/CommandLine.h"
#include "tests/app/dictionary/FakeDictionarySource.h"

#include <QCoreApplication>
#include <QIODevice>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

class DictionaryCommandsTest : public testing::Test {
protected:
    DictionaryCommandsTest() {
        source->add("wn", "WordNet (r) 3.0", {{"house", "n 1: a dwelling\n   2: a firm"}});
        source->add("fd-eng-spa", "English-Spanish FreeDict", {{"house", "casa"}});
        source->add("moby-thesaurus", "Moby Thesaurus", {{"house", "home, abode"}},
                    QStringLiteral("StarDict"));
        source->active = {"wn", "fd-eng-spa"};
    }

    Result run(const QStringList& arguments, const QString& input = QString()) {
        QString in = input;
        Result result;
        QTextStream inStream(&in, QIODevice::ReadOnly);
        QTextStream outStream(&result.out);
        QTextStream errStream(&result.err);
        CommandLine::Environment env;
        env.engine = []() -> TranslationEngine& {
            ADD_FAILURE() << "dictionary commands never need the engine";
            std::abort();
        };
        env.dictionaries = [this]() -> DictionaryService& { return service; };
        env.in = &inStream;
        env.out = &outStream;
        env.err = &errStream;
        result.code = CommandLine(env).run(arguments);
        outStream.flush();
        errStream.flush();
        return result;
    }

    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService service{source};
};

TEST_F(DictionaryCommandsTest, DefineAndListPrintWhatIsAskedFor) {
    const struct {
        QStringList arguments;
        QString input;
        QString out;
    } cases[] = {
        // The active dictionaries, bilingual first.
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
         "moby-thesaurus  Moby Thesaurus            StarDict  no\n"
         "wn              WordNet (r) 3.0           dictd     yes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments, c.input);
        EXPECT_EQ(r.code, CommandLine::done);
        EXPECT_EQ(r.out, c.out);
    }
    // Without active dictionaries, the default one answers.
    source->active.clear();
    EXPECT_EQ(run({"define", "house"}).out, QStringLiteral("Dictionary\ncasa\n"));
}

TEST_F(DictionaryCommandsTest, FailuresEndWithTheirExitCodeAndMessage) {
    const struct {
        QStringList arguments;
        int code;
        const char* message;
    } cases[] = {
        {{"define", "zzyzx"}, 1, "no definition of zzyzx"},
        {{"define", "--dict", "fd-xxx-yyy", "house"}, 1, "no dictionary fd-xxx-yyy is installed"},
        {{"define", "--dict", "wn"}, 2, "define needs a word"},
        {{"define", "house", "--dict"}, 2, "--dict needs a value"},
        {{"dictionaries", "wn"}, 2, "takes no text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr(c.message));
        EXPECT_TRUE(r.out.isEmpty());
    }
    source->clear();
    const Result none = run({"dictionaries"});
    EXPECT_EQ(none.code, CommandLine::notFound);
    EXPECT_THAT(none.err.toStdString(), HasSubstr("no dictionaries are installed"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
