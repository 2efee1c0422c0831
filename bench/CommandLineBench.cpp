// Whole-process time of the verdolin commands against the program they wrap, in the same run:
// `verdolin translate` of one sentence against `apertium -u`, and `verdolin detect` and
// `verdolin languages` with the package listing already remembered.
//
//   command_line_bench [--rounds N]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString sentence = QStringLiteral("The weather is very nice today.");

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Seconds from start to exit, or a negative number when the program failed.
double timed(const QString& program, const QStringList& arguments, const QByteArray& input,
             const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

struct Command {
    const char* name;
    QString program;
    QStringList arguments;
    QByteArray input;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int rounds = 8;
    const QStringList arguments = app.arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
    if (at > 0 && at + 1 < arguments.size())
        rounds = std::max(1, arguments.at(at + 1).toInt());

    // The user's own settings, history and cache stay as they are.
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(variable), home.filePath(QLatin1String(variable)));

    const QString verdolin = QStringLiteral(VERDOLIN_EXECUTABLE);
    const Command commands[] = {
        {"apertium -u eng-spa", QStringLiteral("apertium"), {"-u", "eng-spa"}, sentence.toUtf8()},
        {"verdolin translate", verdolin, {"translate", "--from", "en", "--to", "es", sentence}, {}},
        {"verdolin detect Hello", verdolin, {"detect", "Hello"}, {}},
        {"verdolin languages", verdolin, {"languages"}, {}},
    };
    // Fills the listing cache and the system's file cache.
    for (const Command& command : commands)
        timed(command.program, command.arguments, command.input, environment);

    std::vector<std::vector<double>> times(std::size(commands));
    // Interleaved, so that a busy moment of the machine touches every command alike.
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < std::size(commands); ++i) {
            const double seconds =
                timed(commands[i].program, commands[i].arguments, commands[i].input, environment);
            if (seconds < 0) {
                std::fprintf(stderr, "%s failed\n", commands[i].name);
                return 1;
            }
            times[i].push_back(seconds);
        }
    }
    const double peer = median(times[0]);
    std::printf("median of %d runs, warm listing cache\n", rounds);
    for (size_t i = 0; i < std::size(commands); ++i) {
        const double seconds = median(times[i]);
        std::printf("%-24s %7.3f s  %5.2fx apertium -u\n", commands[i].name, seconds,
                    seconds / peer);
    }
    return 0;
}
