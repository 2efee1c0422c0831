#include "platform/linux/apertium/ApertiumPipeline.h"

#include "tests/support/ProgramRun.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stop_token>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// Stops `stage` and waits until it has: a stage woken by the signal but not yet run would
// otherwise still read what reaches it meanwhile. Reaps nothing: that is the pipeline's to do.
bool stopStage(pid_t stage) {
    siginfo_t stopped{};
    return ::kill(stage, SIGSTOP) == 0
           && ::waitid(P_PID, static_cast<id_t>(stage), &stopped, WSTOPPED | WEXITED | WNOWAIT) == 0
           && stopped.si_code == CLD_STOPPED;
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

// clang-format off
const struct { const char* name; const char* mode; QString text; } kLines[] = {
    {"sentence", "eng-spa", u"Hello world. I like cats."_s},
    {"all_reserved", "eng-spa", uR"(^ $ [ ] { } \ / @ < >)"_s},
    {"blank_line", "eng-spa", u"First paragraph.\n\nSecond paragraph."_s},
    {"crlf", "eng-spa", u"One house\r\nTwo houses"_s},
    {"leading_and_trailing", "eng-spa", u"  spaced out  "_s},
    {"trailing_newline", "eng-spa", u"The cat\n"_s},
    {"emoji", "eng-spa", u"I love pizza 🍕 so much 😀"_s},
    {"whitespace_only", "eng-spa", u" \n\t "_s},
    // The command keeps so long a blank in a temporary file; the pipeline keeps it inline.
    {"very_long_blank", "eng-spa", u"Cats"_s + QString(9000, u' ') + u"dogs."_s},
    {"inverted_marks", "spa-eng", u"¿Dónde está la estación? ¡Qué bien! «Hola», dijo el niño."_s},
    {"spanish_reserved", "spa-eng", uR"(precio: 5 € / kilo [aprox.] <b>)"_s},
    {"spanish_paragraphs", "spa-eng", u"Primera línea.\n\nSegunda línea ~ fin"_s},
};
// clang-format on

// One pipeline per direction answers the whole table, as the engine would, in a locale that was
// never generated: its stages must read UTF-8 all the same.
TEST(PipelineLinesTest, AnswersLikeTheApertiumCommand) {
    ScopedEnvironment environment;
    environment.setMissingLocale();
    for (const QString& mode : {u"eng-spa"_s, u"spa-eng"_s}) {
        if (!haveMode(mode)) {
            GTEST_SKIP() << "Apertium " << mode.toStdString() << " is not installed";
        }
        ApertiumPipeline pipeline(modeFile(mode));
        for (const auto& line : kLines) {
            if (mode != QLatin1StringView(line.mode)) {
                continue;
            }
            SCOPED_TRACE(line.name);
            const auto expected = runProgram(
                u"env"_s, {u"LC_ALL=C.UTF-8"_s, u"apertium"_s, u"-u"_s, mode}, line.text.toUtf8());
            ASSERT_TRUE(expected.has_value());
            const ApertiumPipeline::Result result = pipeline.translate(line.text);
            ASSERT_TRUE(result.text.has_value()) << result.error.toStdString();
            EXPECT_EQ(result.text->toStdString(), expected->toStdString());
        }
    }
}

class ApertiumPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveMode(u"eng-spa"_s)) {
            GTEST_SKIP() << "Apertium eng-spa is not installed";
        }
    }

    ApertiumPipeline pipeline{modeFile(u"eng-spa"_s)};
};

TEST_F(ApertiumPipelineTest, StartsOnFirstNonEmptyRequestAndRestartsAfterManyOrAStageEnded) {
    pipeline.setRestartAfter(2);
    EXPECT_EQ(pipeline.translate(QString()).text, QString());
    EXPECT_FALSE(pipeline.isRunning());
    EXPECT_EQ(pipeline.translate(u"I like cats."_s).text, u"Me gustan los gatos."_s);
    const QList<pid_t> first = pipeline.stagePids();
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
    EXPECT_EQ(pipeline.stagePids(), first);
    EXPECT_EQ(pipeline.translate(u"Three."_s).text, u"Tres."_s);
    EXPECT_NE(pipeline.stagePids(), first);
    EXPECT_EQ(pipeline.requestsServed(), 1);
    EXPECT_TRUE(processGone(first.constFirst()));

    // A stage that ended while the pipeline waited is found by start(), which starts afresh.
    const QList<pid_t> second = pipeline.stagePids();
    ASSERT_GT(second.size(), 2);
    ASSERT_EQ(::kill(second.at(2), SIGKILL), 0);
    siginfo_t ended{};
    // Waits for the end without reaping it: that is the pipeline's to do.
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(second.at(2)), &ended, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(pipeline.start(), std::nullopt);
    EXPECT_NE(pipeline.stagePids(), second);
    EXPECT_EQ(pipeline.translate(u"I like cats."_s).text, u"Me gustan los gatos."_s);
}

enum class Ending { Kill, Limit, Stop, Cancel };

// Ends what `worker` waits for: a held request, or a mode command that never answers.
void end(Ending ending, ApertiumPipeline& pipeline, SkewedClock& time,
         std::chrono::milliseconds limit, std::atomic<bool>& cancelled, pid_t held) {
    switch (ending) {
    case Ending::Kill:
        ASSERT_GT(held, 0); // never -1: that would signal every process
        ::kill(held, SIGKILL);
        break;
    case Ending::Limit:
        time.advance(limit + 1s);
        break;
    case Ending::Stop:
        pipeline.stop();
        break;
    case Ending::Cancel:
        cancelled = true;
        break;
    }
}

struct Ended {
    const char* name;
    Ending ending;
    const char* error;
    const char* script = nullptr; // a mode command's, after it has announced its pid
};

// A request held in a stopped stage ends when that stage dies (only it is named, though the
// stages after it end too), at the stall limit on a skewed clock, on stop() from another
// thread, or on a cancel. A cancelled answer never reaches the next request.
TEST_F(ApertiumPipelineTest, RequestHeldInAStageEndsAndTheNextIsAnswered) {
    const Ended cases[] = {
        {"stage_killed", Ending::Kill, "(apertium-transfer ended)"},
        {"stall_limit", Ending::Limit, "(no answer for 20 seconds)"},
        {"stop", Ending::Stop, "The translation was stopped."},
        {"cancel", Ending::Cancel, "The translation was cancelled."},
    };
    SkewedClock time;
    pipeline.setClock(time.clock());
    for (const Ended& held : cases) {
        SCOPED_TRACE(held.name);
        ASSERT_EQ(pipeline.start(), std::nullopt);
        const QList<pid_t> pids = pipeline.stagePids();
        ASSERT_GT(pids.size(), 3);
        ASSERT_TRUE(stopStage(pids.at(3)));
        std::atomic<bool> cancelled{false};
        ApertiumPipeline::Result failed;
        std::thread worker([&] { failed = pipeline.translate(u"The red car."_s, &cancelled); });
        EXPECT_TRUE(requestReached(pids.at(3)));
        end(held.ending, pipeline, time, ApertiumPipeline::kStallTimeout, cancelled, pids.at(3));
        worker.join();
        // Only a cancel leaves the stages running; a reaped stage's pid may be another's now.
        if (held.ending == Ending::Cancel)
            ::kill(pids.at(3), SIGCONT);

        EXPECT_FALSE(failed.text.has_value());
        EXPECT_TRUE(failed.error.contains(QLatin1StringView(held.error)))
            << failed.error.toStdString();
        for (const pid_t pid : pids) {
            EXPECT_EQ(processGone(pid), held.ending != Ending::Cancel) << pid;
        }
        const auto next = pipeline.translate(u"The dog."_s);
        EXPECT_EQ(next.text, u"El perro."_s) << next.error.toStdString();
    }
}

TEST_F(ApertiumPipelineTest, VeryLongTextDoesNotDeadlock) {
    QString text;
    while (text.size() < 200000) {
        text += u"The old man walked to the market.\n\nWhy do [you] think it is so cold? "_s;
    }
    const auto result = pipeline.translate(text);
    ASSERT_TRUE(result.text.has_value()) << result.error.toStdString();
    EXPECT_GT(result.text->size(), 150000);
    EXPECT_EQ(result.text->count(u"\n\n"_s), text.count(u"\n\n"_s));
    // The pipeline is still in step afterwards.
    EXPECT_EQ(pipeline.translate(u"The dog."_s).text, u"El perro."_s);
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

// Stops the pipeline after a while unless dismissed first, so that a test whose pipeline would
// run forever fails instead of hanging; dismiss() tells whether it had to.
class Watchdog {
public:
    Watchdog(ApertiumPipeline& pipeline, std::chrono::milliseconds after)
        : m_thread([this, &pipeline, after](std::stop_token dismissed) {
            std::mutex mutex;
            std::unique_lock lock(mutex);
            std::condition_variable_any().wait_for(lock, dismissed, after, [] { return false; });
            m_fired = !dismissed.stop_requested();
            if (m_fired)
                pipeline.stop();
        }) {}

    bool dismiss() {
        m_thread.request_stop();
        m_thread.join();
        return m_fired;
    }

private:
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

// A mode command that never answers holds translate() for its limit, or until stop() or a
// cancel, and no longer; it is reaped afterwards. The limit passes on a skewed clock.
TEST_F(FakeStagesTest, ModeCommandThatHangsIsGivenUp) {
    const Ended cases[] = {
        {"limit", Ending::Limit, "apertium-wblank-mode gave no answer within 10 seconds",
         "exec sleep 60\n"},
        // Closing its output is not the end.
        {"limit_after_output", Ending::Limit, "gave no answer", "echo cat\nexec sleep 60 >&-\n"},
        {"stop", Ending::Stop, "The translation was stopped.", "exec sleep 60\n"},
        {"cancel", Ending::Cancel, "The translation was cancelled.", "exec sleep 60\n"},
    };
    const QByteArray fifo = m_folder.filePath(u"mode.pid"_s).toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ScopedEnvironment environment;
    environment.prependPath(m_folder.path());
    for (const Ended& hanging : cases) {
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
        end(hanging.ending, pipeline, time, ApertiumPipeline::kModeLoadTimeout, cancelled, -1);
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

// An answer up to four times the request passes however small the limit; a stage that writes
// for ever without ending the answer fails at the limit. (`yes` itself would refuse the -z
// that apertium-wblank-mode adds.)
TEST_F(FakeModeTest, AnswerLimitStopsOnlyAnEndlessStage) {
    // clang-format off
    const struct { const char* name; QByteArray script; QString text; const char* error;
        /* nullptr: the text comes back */ } cases[] = {
        {"endless", "exec yes\n", u"Hello"_s,
         "fake-mode stopped working (it sent more than 64 KiB without ending the answer)"},
        {"echo_above_the_limit", "exec cat\n", QString(100 * 1024, u'a'), nullptr},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApertiumPipeline pipeline(writeMode({writeScript(QString::fromLatin1(c.name), c.script)}));
        pipeline.setMaxAnswerBytes(64 * 1024);
        Watchdog watchdog(pipeline, 20s);
        const auto result = pipeline.translate(c.text);
        EXPECT_FALSE(watchdog.dismiss());
        if (c.error) {
            EXPECT_TRUE(result.error.contains(QLatin1StringView(c.error)))
                << result.error.toStdString();
            EXPECT_FALSE(pipeline.isRunning());
        } else {
            EXPECT_EQ(result.text, c.text);
            EXPECT_EQ(pipeline.translate(u"Hello"_s).text, u"Hello"_s);
        }
    }
}

// Only the stage that died is named, although the ones after it end too (their input ended)
// and the ones before it may die of a broken pipe.
TEST_F(FakeModeTest, NamesTheStageThatEnded) {
    // clang-format off
    const struct { int dying; /* which of the three stages ends */ const char* death; } cases[] = {
        {0, "exit 3\n"}, {1, "exit 3\n"}, {1, "exit 0\n"}, {1, "kill -9 $$\n"}, {2, "exit 3\n"},
    };
    // clang-format on
    const QString names[] = {u"first-stage"_s, u"middle-stage"_s, u"last-stage"_s};
    for (const auto& c : cases) {
        SCOPED_TRACE(names[c.dying].toStdString() + ": " + c.death);
        QStringList commands;
        for (int i = 0; i < 3; ++i) {
            const QByteArray body =
                i == c.dying ? "head -c 1 >/dev/null\n" + QByteArray(c.death) : "exec cat\n";
            commands.append(u"'"_s + writeScript(names[i], body) + u"'"_s);
        }
        ApertiumPipeline pipeline(writeMode(commands));
        Watchdog watchdog(pipeline, 20s);
        const auto result = pipeline.translate(u"Hello, world"_s);
        EXPECT_FALSE(watchdog.dismiss());
        EXPECT_FALSE(result.text.has_value());
        EXPECT_TRUE(result.error.contains(u"(%1 ended)"_s.arg(names[c.dying])))
            << result.error.toStdString();
        EXPECT_EQ(result.error.count(u"ended"_s), 1) << result.error.toStdString();
        EXPECT_FALSE(pipeline.isRunning());
    }
}

} // namespace
