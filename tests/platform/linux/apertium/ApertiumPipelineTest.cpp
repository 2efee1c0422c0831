#include "platform/linux/apertium/ApertiumPipeline.h"

#include "tests/support/ProgramRun.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <stop_token>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
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

// Waits until bytes wait in the standard input of `stage` (stopped, so they stay there): the
// request has gone past every stage before it. Our own descriptor of that pipe turns readable.
bool requestReached(pid_t stage) {
    const QByteArray path = "/proc/" + QByteArray::number(stage) + "/fd/0";
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    pollfd readable{fd, POLLIN, 0};
    const bool arrived = ::poll(&readable, 1, 20000) > 0 && (readable.revents & POLLIN) != 0;
    ::close(fd);
    return arrived;
}

// A clock that runs with the real one, moved ahead when a test says so.
class SkewedClock {
public:
    SteadyClock clock() {
        return [this] { return std::chrono::steady_clock::now() + m_skew.load(); };
    }
    void advance(std::chrono::nanoseconds step) { m_skew = m_skew.load() + step; }

private:
    std::atomic<std::chrono::nanoseconds> m_skew{std::chrono::nanoseconds(0)};
};

struct Line {
    const char* name;
    const char* mode;
    QString text;
};

const Line kLines[] = {
    {"sentence", "eng-spa", u"Hello world. I like cats."_s},
    {"exclamations", "eng-spa", u"Stop!!! Really??? Well..."_s},
    {"curly_quotes", "eng-spa", u"“Good morning” and ‘good night’"_s},
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
    {"numbers", "eng-spa", u"3.14 and 2,718 and 50%"_s},
    {"emoji", "eng-spa", u"I love pizza 🍕 so much 😀"_s},
    {"whitespace_only", "eng-spa", u" \n\t "_s},
    // The command keeps so long a blank in a temporary file; the pipeline keeps it inline.
    {"very_long_blank", "eng-spa", u"Cats"_s + QString(9000, u' ') + u"dogs."_s},
    {"spanish_sentence", "spa-eng", u"Me gustan los gatos."_s},
    {"inverted_marks", "spa-eng", u"¿Dónde está la estación? ¡Qué bien! «Hola», dijo el niño."_s},
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

TEST_F(ApertiumPipelineTest, StartsOnFirstNonEmptyRequestAndCountsAnswers) {
    EXPECT_EQ(pipeline.translate(QString()).text, QString());
    EXPECT_FALSE(pipeline.isRunning());
    EXPECT_EQ(pipeline.translate(u"I like cats."_s).text, u"Me gustan los gatos."_s);
    EXPECT_TRUE(pipeline.isRunning());
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
    EXPECT_EQ(pipeline.requestsServed(), 2);
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
    EXPECT_TRUE(requestReached(pids.at(3)));
    ::kill(pids.at(3), SIGKILL);
    worker.join();

    EXPECT_FALSE(failed.text.has_value());
    // The stages after it ended too, and the ones before it may have: the killed one is named.
    EXPECT_TRUE(failed.error.contains(u"(apertium-transfer ended)"_s))
        << failed.error.toStdString();
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
    EXPECT_TRUE(failed.error.contains(u"(lt-proc ended)"_s)) << failed.error.toStdString();
    EXPECT_EQ(pipeline.translate(u"Good morning."_s).text, u"Buenos días."_s);
}

TEST_F(ApertiumPipelineTest, HangingStageTimesOut) {
    SkewedClock time;
    pipeline.setClock(time.clock());
    ASSERT_EQ(pipeline.start(), std::nullopt);
    const QList<pid_t> pids = pipeline.stagePids();
    ::kill(pids.at(2), SIGSTOP);
    ApertiumPipeline::Result failed;
    std::thread worker([&] { failed = pipeline.translate(u"The dog."_s); });
    EXPECT_TRUE(requestReached(pids.at(2)));
    time.advance(ApertiumPipeline::kStallTimeout + 1s);
    worker.join();
    EXPECT_FALSE(failed.text.has_value());
    EXPECT_TRUE(failed.error.contains(u"(no answer for 20 seconds)"_s))
        << failed.error.toStdString();
    EXPECT_TRUE(processGone(pids.at(2)));
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
}

// A request held in a stopped stage ends on a cancel, or on stop() from another thread; a
// cancelled answer never reaches the next request.
TEST_F(ApertiumPipelineTest, RequestInProgressEndsOnCancelOrStop) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "cancel");
        ASSERT_EQ(pipeline.start(), std::nullopt);
        const pid_t held = pipeline.stagePids().at(2);
        ::kill(held, SIGSTOP);
        std::atomic<bool> cancelled{false};
        ApertiumPipeline::Result first;
        std::thread worker([&] { first = pipeline.translate(u"The red car."_s, &cancelled); });
        EXPECT_TRUE(requestReached(held));
        if (stop)
            pipeline.stop();
        else
            cancelled = true;
        worker.join();
        ::kill(held, SIGCONT);

        EXPECT_FALSE(first.text.has_value());
        if (stop) {
            EXPECT_FALSE(pipeline.isRunning());
        }
        EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
    }
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

TEST_F(ApertiumPipelineTest, TranslatesWhenTheUsersLocaleWasNeverGenerated) {
    ScopedEnvironment environment;
    environment.setMissingLocale();
    const auto english = pipeline.translate(u"I like cats."_s);
    EXPECT_EQ(english.text, u"Me gustan los gatos."_s) << english.error.toStdString();
    if (!haveMode(u"spa-eng"_s)) {
        return;
    }
    // Characters beyond ASCII pass every stage.
    ApertiumPipeline spanish(modeFile(u"spa-eng"_s));
    const auto accented = spanish.translate(u"El señor comió una manzana. ¿Dónde está?"_s);
    EXPECT_EQ(accented.text, u"The gentleman ate an apple. Where it is?"_s)
        << accented.error.toStdString();
}

TEST(ApertiumPipelineErrorTest, MissingModeGivesAReadableError) {
    ApertiumPipeline pipeline(u"/nonexistent/xxx-yyy.mode"_s);
    const auto result = pipeline.translate(u"Hello"_s);
    EXPECT_FALSE(result.text.has_value());
    EXPECT_TRUE(result.error.contains(u"xxx-yyy"_s)) << result.error.toStdString();
    EXPECT_FALSE(pipeline.isRunning());
}

// Programs standing in for Apertium's, in a folder of their own.
class FakeStagesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString writeScript(const QString& name, const QByteArray& body) {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                            | QFileDevice::ExeOwner);
        return path;
    }

    // A mode whose stages are `commands`, through the real apertium-wblank-mode.
    QString writeMode(const QStringList& commands) {
        const QString path = m_folder.filePath(u"fake-mode.mode"_s);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(commands.join(u" | "_s).toUtf8() + '\n');
        return path;
    }

    QTemporaryDir m_folder;
};

// Calls stop() on the pipeline after a while, unless dismissed first: a test whose pipeline
// would run forever fails instead of hanging.
class Watchdog {
public:
    Watchdog(ApertiumPipeline& pipeline, std::chrono::milliseconds after)
        : m_thread([this, &pipeline, after](std::stop_token dismissed) {
            std::unique_lock lock(m_mutex);
            m_done.wait_for(lock, dismissed, after, [] { return false; });
            if (!dismissed.stop_requested()) {
                m_fired = true;
                pipeline.stop();
            }
        }) {}

    // True when it had to stop the pipeline.
    bool dismiss() {
        m_thread.request_stop();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable_any m_done;
    bool m_fired = false;
    std::jthread m_thread;
};

// The pid a script wrote to the FIFO `fd` reads, once it has (within `deadline`).
std::optional<pid_t> pidFrom(int fd, std::chrono::milliseconds deadline) {
    QByteArray text;
    const QDeadlineTimer until(deadline);
    while (!text.endsWith('\n')) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(until.remainingTime())) <= 0)
            break;
        char buffer[32];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, got);
    }
    return text.endsWith('\n') ? std::optional<pid_t>(text.trimmed().toInt()) : std::nullopt;
}

enum class Ending { Limit, Stop, Cancel };

struct HangingModeCommand {
    const char* name;
    const char* script; // after it has announced its pid
    Ending ending;
    const char* error;
};

// A mode command that never answers holds translate() for its limit, or until stop() or a
// cancel, and no longer; it is reaped afterwards. The limit passes on a skewed clock.
TEST_F(FakeStagesTest, ModeCommandThatHangsIsGivenUp) {
    const HangingModeCommand cases[] = {
        {"limit", "exec sleep 60\n", Ending::Limit,
         "apertium-wblank-mode gave no answer within 10 seconds"},
        // Closing its output is not the end.
        {"limit_after_output", "echo cat\nexec sleep 60 >&-\n", Ending::Limit, "gave no answer"},
        {"stop", "exec sleep 60\n", Ending::Stop, "The translation was stopped."},
        {"cancel", "exec sleep 60\n", Ending::Cancel, "The translation was cancelled."},
    };
    const QByteArray fifo = m_folder.filePath(u"mode.pid"_s).toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ScopedEnvironment environment;
    environment.prependPath(m_folder.path());
    for (const HangingModeCommand& hanging : cases) {
        SCOPED_TRACE(hanging.name);
        writeScript(u"apertium-wblank-mode"_s,
                    QByteArray(R"(echo $$ > "$(dirname "$0")/mode.pid")") + '\n' + hanging.script);
        // Open before the script runs, so that its write never waits for a reader.
        const int fd = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ApertiumPipeline pipeline(m_folder.filePath(u"fake-mode.mode"_s));
        SkewedClock time;
        pipeline.setClock(time.clock());
        Watchdog watchdog(pipeline, 20s);

        std::atomic<bool> cancelled{false};
        ApertiumPipeline::Result result;
        std::thread worker([&] { result = pipeline.translate(u"Hello"_s, &cancelled); });
        const std::optional<pid_t> pid = pidFrom(fd, 10s);
        EXPECT_TRUE(pid.has_value());
        switch (hanging.ending) {
        case Ending::Limit:
            time.advance(ApertiumPipeline::kModeLoadTimeout + 1s);
            break;
        case Ending::Stop:
            pipeline.stop();
            break;
        case Ending::Cancel:
            cancelled = true;
            break;
        }
        worker.join();
        // Not stopped by the watchdog: it ended on its own.
        EXPECT_FALSE(watchdog.dismiss());
        EXPECT_FALSE(result.text.has_value());
        EXPECT_TRUE(result.error.contains(QLatin1StringView(hanging.error)))
            << result.error.toStdString();
        EXPECT_FALSE(pipeline.isRunning());
        if (pid) {
            EXPECT_TRUE(processGone(*pid));
        }
        ::close(fd);
    }
}

class FakeModeTest : public FakeStagesTest {
protected:
    void SetUp() override {
        FakeStagesTest::SetUp();
        if (!hasProgram(u"apertium-wblank-mode"_s)) {
            GTEST_SKIP() << "apertium-wblank-mode is not installed";
        }
    }
};

TEST_F(FakeModeTest, StageThatWritesWithoutEndFailsAtTheAnswerLimit) {
    // Lines of "y" for ever, and never the end of an answer. (`yes` itself would refuse the
    // -z that apertium-wblank-mode adds.)
    ApertiumPipeline pipeline(writeMode({writeScript(u"endless"_s, "exec yes\n")}));
    pipeline.setMaxAnswerBytes(64 * 1024);
    Watchdog watchdog(pipeline, 20s);

    const auto result = pipeline.translate(u"Hello"_s);
    EXPECT_FALSE(watchdog.dismiss());
    EXPECT_FALSE(result.text.has_value());
    EXPECT_TRUE(result.error.startsWith(u"The translator for fake-mode stopped working"_s))
        << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"it sent more than 64 KiB without ending the answer"_s))
        << result.error.toStdString();
    EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(FakeModeTest, AnswerWithinTheLimitIsAnswered) {
    ApertiumPipeline pipeline(writeMode({writeScript(u"echoing"_s, "exec cat\n")}));
    pipeline.setMaxAnswerBytes(64 * 1024);
    // Four times the request is allowed however small the limit.
    const QString text = QString(100 * 1024, u'a');
    EXPECT_EQ(pipeline.translate(text).text, text);
    EXPECT_EQ(pipeline.translate(u"Hello"_s).text, u"Hello"_s);
}

struct DyingStage {
    const char* name;
    int dying; // which of the three stages ends
    const char* death;
};

class DyingStageTest : public FakeModeTest, public ::testing::WithParamInterface<DyingStage> {};

// Only the stage that died is named, although the ones after it end too (their input ended)
// and the ones before it may die of a broken pipe.
TEST_P(DyingStageTest, NamesTheStageThatEnded) {
    const QString names[] = {u"first-stage"_s, u"middle-stage"_s, u"last-stage"_s};
    QStringList commands;
    for (int i = 0; i < 3; ++i) {
        const QByteArray body = i == GetParam().dying
                                    ? QByteArray("head -c 1 >/dev/null\n") + GetParam().death
                                    : QByteArray("exec cat\n");
        commands.append(u"'"_s + writeScript(names[i], body) + u"'"_s);
    }
    ApertiumPipeline pipeline(writeMode(commands));
    Watchdog watchdog(pipeline, 20s);

    const auto result = pipeline.translate(u"Hello, world"_s);
    EXPECT_FALSE(watchdog.dismiss());
    EXPECT_FALSE(result.text.has_value());
    const QString expected = u"(%1 ended)"_s.arg(names[GetParam().dying]);
    EXPECT_TRUE(result.error.contains(expected)) << result.error.toStdString();
    EXPECT_EQ(result.error.count(u"ended"_s), 1) << result.error.toStdString();
    EXPECT_FALSE(pipeline.isRunning());
}

INSTANTIATE_TEST_SUITE_P(Stages, DyingStageTest,
                         ::testing::Values(DyingStage{"first_exits", 0, "exit 3\n"},
                                           DyingStage{"middle_exits", 1, "exit 3\n"},
                                           DyingStage{"middle_exits_cleanly", 1, "exit 0\n"},
                                           DyingStage{"middle_killed", 1, "kill -9 $$\n"},
                                           DyingStage{"last_exits", 2, "exit 3\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
