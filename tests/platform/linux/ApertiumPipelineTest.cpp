#include "platform/linux/ApertiumPipeline.h"

#include "tests/support/ProgramRun.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

QString modeFile(const QString& mode) {
    return u"/usr/share/apertium/modes/"_s + mode + u".mode"_s;
}

bool haveMode(const QString& mode) {
    return hasProgram(u"apertium"_s) && QFile::exists(modeFile(mode));
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

struct Line {
    const char* name;
    const char* mode;
    QString text;
};

const Line kLines[] = {
    {"sentence", "eng-spa", u"Hello world. I like cats."_s},
    {"no_final_period", "eng-spa", u"The dog sleeps under the table"_s},
    {"question", "eng-spa", u"Where is the railway station?"_s},
    {"exclamations", "eng-spa", u"Stop!!! Really??? Well..."_s},
    {"double_quotes", "eng-spa", u"\"Come here,\" she said."_s},
    {"curly_quotes", "eng-spa", u"“Good morning” and ‘good night’"_s},
    {"apostrophes", "eng-spa", u"It's John's book, isn't it?"_s},
    {"brackets", "eng-spa", uR"([first] and {second} items, either/or and back\slash)"_s},
    {"at_sign", "eng-spa", u"Write to me@example.org today"_s},
    {"angle_brackets", "eng-spa", u"If x < y then y > x"_s},
    {"all_reserved", "eng-spa", uR"(^ $ [ ] { } \ / @ < >)"_s},
    {"tilde", "eng-spa", u"about ~5 minutes~ago"_s},
    {"tabs", "eng-spa", u"red\tgreen\tblue"_s},
    {"two_lines", "eng-spa", u"First line\nsecond line"_s},
    {"blank_line", "eng-spa", u"First paragraph.\n\nSecond paragraph."_s},
    {"crlf", "eng-spa", u"One house\r\nTwo houses"_s},
    {"leading_and_trailing", "eng-spa", u"  spaced out  "_s},
    {"trailing_newline", "eng-spa", u"The cat\n"_s},
    {"digits_only", "eng-spa", u"12345"_s},
    {"numbers", "eng-spa", u"3.14 and 2,718 and 50%"_s},
    {"emoji", "eng-spa", u"I love pizza 🍕 so much 😀"_s},
    {"emoji_only", "eng-spa", u"🎉"_s},
    {"unknown_word", "eng-spa", u"The flurbix is green"_s},
    {"parentheses", "eng-spa", u"(in brackets) and *stars*, Tom & Jerry #1"_s},
    {"whitespace_only", "eng-spa", u" \n\t "_s},
    // The command keeps so long a blank in a temporary file; the pipeline keeps it inline.
    {"very_long_blank", "eng-spa", u"Cats"_s + QString(9000, u' ') + u"dogs."_s},
    {"spanish_sentence", "spa-eng", u"Me gustan los gatos."_s},
    {"inverted_marks", "spa-eng", u"¿Dónde está la estación? ¡Qué bien! «Hola», dijo el niño."_s},
    {"accents", "spa-eng", u"El señor comió una manzana en el año 2020"_s},
    {"spanish_reserved", "spa-eng", uR"(precio: 5 € / kilo [aprox.] <b>)"_s},
    {"spanish_paragraphs", "spa-eng", u"Primera línea.\n\nSegunda línea ~ fin"_s},
};

// Runs `apertium -u <mode>` on every text, a few at a time: each run loads the whole pair.
QList<std::optional<QByteArray>> commandOutputs(const QString& mode, const QStringList& texts) {
    constexpr qsizetype kAtOnce = 3;
    QList<std::optional<QByteArray>> outputs;
    for (qsizetype from = 0; from < texts.size(); from += kAtOnce) {
        std::vector<std::unique_ptr<QProcess>> running;
        for (qsizetype i = from; i < std::min(from + kAtOnce, texts.size()); ++i) {
            auto process = std::make_unique<QProcess>();
            process->setStandardErrorFile(QProcess::nullDevice());
            process->start(u"apertium"_s, {u"-u"_s, mode});
            process->write(texts.at(i).toUtf8());
            process->closeWriteChannel();
            running.push_back(std::move(process));
        }
        for (const auto& process : running) {
            const bool done = process->waitForFinished(60000) && process->exitCode() == 0;
            outputs.append(done ? std::optional(process->readAllStandardOutput()) : std::nullopt);
        }
    }
    return outputs;
}

class PipelineLinesTest : public ::testing::TestWithParam<const char*> {};

// One fresh pipeline per direction answers the whole table, as the engine would.
TEST_P(PipelineLinesTest, AnswersLikeTheApertiumCommand) {
    const QString mode = QString::fromLatin1(GetParam());
    if (!haveMode(mode)) {
        GTEST_SKIP() << "Apertium " << mode.toStdString() << " is not installed";
    }
    QList<const Line*> lines;
    QStringList texts;
    for (const Line& line : kLines) {
        if (mode == QLatin1StringView(line.mode)) {
            lines.append(&line);
            texts.append(line.text);
        }
    }
    const auto expected = commandOutputs(mode, texts);

    ApertiumPipeline pipeline(modeFile(mode));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines.at(i)->name);
        ASSERT_TRUE(expected.at(i).has_value());
        const ApertiumPipeline::Result result = pipeline.translate(texts.at(i));
        ASSERT_TRUE(result.text.has_value()) << result.error.toStdString();
        EXPECT_EQ(result.text->toStdString(), expected.at(i)->toStdString());
        EXPECT_TRUE(result.error.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PipelineLinesTest, ::testing::Values("eng-spa", "spa-eng"),
                         [](const auto& info) {
                             return std::string(info.param).replace(3, 1, "_");
                         });

class ApertiumPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveMode(u"eng-spa"_s)) {
            GTEST_SKIP() << "Apertium eng-spa is not installed";
        }
    }

    ApertiumPipeline pipeline{modeFile(u"eng-spa"_s)};
};

TEST_F(ApertiumPipelineTest, StartsOnFirstRequestAndCountsAnswers) {
    EXPECT_FALSE(pipeline.isRunning());
    EXPECT_EQ(pipeline.translate(u"I like cats."_s).text, u"Me gustan los gatos."_s);
    EXPECT_TRUE(pipeline.isRunning());
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
    EXPECT_EQ(pipeline.requestsServed(), 2);
}

TEST_F(ApertiumPipelineTest, EmptyTextNeedsNoStages) {
    const auto result = pipeline.translate(QString());
    EXPECT_EQ(result.text, QString());
    EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(ApertiumPipelineTest, StopEndsEveryStage) {
    ASSERT_EQ(pipeline.start(), std::nullopt);
    const QList<pid_t> pids = pipeline.stagePids();
    // The attach and detach stages are left out of the mode's thirteen.
    EXPECT_EQ(pids.size(), 11);
    pipeline.stop();
    EXPECT_FALSE(pipeline.isRunning());
    EXPECT_TRUE(pipeline.stagePids().isEmpty());
    for (const pid_t pid : pids) {
        EXPECT_TRUE(processGone(pid)) << pid;
    }
}

TEST_F(ApertiumPipelineTest, StageKilledMidRequestFailsOnlyThatRequest) {
    ASSERT_EQ(pipeline.start(), std::nullopt);
    const QList<pid_t> pids = pipeline.stagePids();
    ASSERT_GT(pids.size(), 4);
    // A stopped stage holds the request in the pipeline until it is killed.
    ::kill(pids.at(3), SIGSTOP);
    ApertiumPipeline::Result failed;
    std::thread worker([&] { failed = pipeline.translate(u"The white house is big."_s); });
    std::this_thread::sleep_for(200ms);
    ::kill(pids.at(3), SIGKILL);
    worker.join();

    EXPECT_FALSE(failed.text.has_value());
    EXPECT_FALSE(failed.error.isEmpty());
    for (const pid_t pid : pids) {
        EXPECT_TRUE(processGone(pid)) << pid;
    }

    const auto next = pipeline.translate(u"I like cats."_s);
    EXPECT_EQ(next.text, u"Me gustan los gatos."_s) << next.error.toStdString();
    EXPECT_NE(pipeline.stagePids(), pids);
}

TEST_F(ApertiumPipelineTest, KilledLastStageIsNoticedBeforeTheNextRequest) {
    ASSERT_EQ(pipeline.start(), std::nullopt);
    ::kill(pipeline.stagePids().constLast(), SIGKILL);
    const auto failed = pipeline.translate(u"Good morning."_s);
    EXPECT_FALSE(failed.text.has_value());
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_EQ(pipeline.translate(u"Good morning."_s).text, u"Buenos días."_s);
}

TEST_F(ApertiumPipelineTest, HangingStageTimesOut) {
    pipeline.setStallTimeout(300ms);
    ASSERT_EQ(pipeline.start(), std::nullopt);
    const QList<pid_t> pids = pipeline.stagePids();
    ::kill(pids.at(2), SIGSTOP);
    const auto failed = pipeline.translate(u"The dog."_s);
    EXPECT_FALSE(failed.text.has_value());
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_TRUE(processGone(pids.at(2)));
    // A fresh start needs longer than the short limit on a busy machine.
    pipeline.setStallTimeout(ApertiumPipeline::kDefaultStallTimeout);
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
}

TEST_F(ApertiumPipelineTest, CancelledAnswerNeverReachesTheNextRequest) {
    ASSERT_EQ(pipeline.start(), std::nullopt);
    const pid_t held = pipeline.stagePids().at(2);
    ::kill(held, SIGSTOP);
    std::atomic<bool> cancelled{false};
    ApertiumPipeline::Result first;
    std::thread worker([&] { first = pipeline.translate(u"The red car."_s, &cancelled); });
    std::this_thread::sleep_for(200ms);
    cancelled = true;
    worker.join();
    ::kill(held, SIGCONT);

    EXPECT_FALSE(first.text.has_value());
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
}

TEST_F(ApertiumPipelineTest, StopFromAnotherThreadEndsARequestInProgress) {
    ASSERT_EQ(pipeline.start(), std::nullopt);
    ::kill(pipeline.stagePids().at(2), SIGSTOP);
    ApertiumPipeline::Result result;
    std::thread worker([&] { result = pipeline.translate(u"The red car."_s); });
    std::this_thread::sleep_for(100ms);
    pipeline.stop();
    worker.join();
    EXPECT_FALSE(result.text.has_value());
    EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(ApertiumPipelineTest, RestartsAfterManyRequests) {
    pipeline.setRestartAfter(2);
    ASSERT_TRUE(pipeline.translate(u"One."_s).text.has_value());
    const QList<pid_t> first = pipeline.stagePids();
    ASSERT_TRUE(pipeline.translate(u"Two."_s).text.has_value());
    EXPECT_EQ(pipeline.stagePids(), first);
    EXPECT_EQ(pipeline.translate(u"Three."_s).text, u"Tres."_s);
    EXPECT_NE(pipeline.stagePids(), first);
    EXPECT_EQ(pipeline.requestsServed(), 1);
    EXPECT_TRUE(processGone(first.constFirst()));
}

TEST_F(ApertiumPipelineTest, VeryLongTextDoesNotDeadlock) {
    const QString sentences[] = {
        u"The old man walked slowly to the market. "_s,
        u"She bought three red apples and a loaf of bread!\n"_s,
        u"Why do [you] think {the} weather is so cold today? "_s,
        u"We will meet at 10:30 near the station.\n\n"_s,
    };
    QString text;
    for (int i = 0; text.size() < 200000; ++i) {
        text += sentences[i % 4];
    }
    const auto result = pipeline.translate(text);
    ASSERT_TRUE(result.text.has_value()) << result.error.toStdString();
    EXPECT_GT(result.text->size(), 150000);
    EXPECT_EQ(result.text->count(u"\n\n"_s), text.count(u"\n\n"_s));
    EXPECT_TRUE(result.text->startsWith(u"El hombre viejo"_s))
        << result.text->left(80).toStdString();
    // The pipeline is still in step afterwards.
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
}

TEST(ApertiumPipelineErrorTest, MissingModeGivesAReadableError) {
    ApertiumPipeline pipeline(u"/nonexistent/xxx-yyy.mode"_s);
    const auto result = pipeline.translate(u"Hello"_s);
    EXPECT_FALSE(result.text.has_value());
    EXPECT_TRUE(result.error.contains(u"xxx-yyy"_s)) << result.error.toStdString();
    EXPECT_FALSE(pipeline.isRunning());
}

} // namespace
