#include "app/CommandLine.h"
#include "tests/app/FakeDictionarySource.h"

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

TEST_F(DictionaryCommandsTest, DefinePrintsTheActiveDictionariesBilingualFirst) {
    const Result r = run({"define", "house"});

    EXPECT_EQ(r.code, CommandLine::done);
    EXPECT_EQ(r.out, QStringLiteral("English-Spanish FreeDict\ncasa\n\n"
                                    "WordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n"));
}

TEST_F(DictionaryCommandsTest, DefineAsksOnlyTheNamedDictionaries) {
    const Result r = run({"define", "--dict", "moby-thesaurus", "house", "--dict=wn"});

    EXPECT_EQ(r.code, CommandLine::done);
    EXPECT_EQ(r.out, QStringLiteral("WordNet (r) 3.0\nn 1: a dwelling\n   2: a firm\n\n"
                                    "Moby Thesaurus\nhome, abode\n"));
}

TEST_F(DictionaryCommandsTest, DefineReadsTheWordFromStandardInput) {
    const Result r = run({"define", "--dict", "fd-eng-spa"}, QStringLiteral("  house\n"));

    EXPECT_EQ(r.code, CommandLine::done);
    EXPECT_EQ(r.out, QStringLiteral("English-Spanish FreeDict\ncasa\n"));
}

TEST_F(DictionaryCommandsTest, DefineFallsBackToTheDefaultDictionary) {
    source->active.clear();

    const Result r = run({"define", "house"});

    EXPECT_EQ(r.code, CommandLine::done);
    EXPECT_EQ(r.out, QStringLiteral("Dictionary\ncasa\n"));
}

struct FailureCase {
    const char* title;
    QStringList arguments;
    int code;
    const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.title;
}

class DictionaryCommandsFailures : public DictionaryCommandsTest,
                                   public testing::WithParamInterface<FailureCase> {};

TEST_P(DictionaryCommandsFailures, EndWithTheirExitCodeAndMessage) {
    const Result r = run(GetParam().arguments);

    EXPECT_EQ(r.code, GetParam().code) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr(GetParam().message));
    EXPECT_TRUE(r.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DictionaryCommandsFailures,
    testing::Values(FailureCase{"unknownWord", {"define", "zzyzx"}, 1, "no definition of zzyzx"},
                    FailureCase{"unknownDictionary",
                                {"define", "--dict", "fd-xxx-yyy", "house"},
                                1,
                                "no dictionary fd-xxx-yyy is installed"},
                    FailureCase{"noWord", {"define", "--dict", "wn"}, 2, "define needs a word"},
                    FailureCase{
                        "missingValue", {"define", "house", "--dict"}, 2, "--dict needs a value"},
                    FailureCase{"listWithText", {"dictionaries", "wn"}, 2, "takes no text"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.title; });

TEST_F(DictionaryCommandsTest, DictionariesListsIdentifierNameFormatAndActiveByName) {
    const Result r = run({"dictionaries"});

    EXPECT_EQ(r.code, CommandLine::done);
    EXPECT_EQ(r.out, QStringLiteral("identifier      name                      format    active\n"
                                    "fd-eng-spa      English-Spanish FreeDict  dictd     yes\n"
                                    "moby-thesaurus  Moby Thesaurus            StarDict  no\n"
                                    "wn              WordNet (r) 3.0           dictd     yes\n"));
}

TEST_F(DictionaryCommandsTest, DictionariesWithoutAnyExitsWithOne) {
    source->clear();

    const Result r = run({"dictionaries"});

    EXPECT_EQ(r.code, CommandLine::notFound);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("no dictionaries are installed"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
