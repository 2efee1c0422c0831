// Per-sentence latency of a warm Apertium pipeline against one `apertium -u` process per
// sentence, in the same run, and the first answer after a cold start. Then what keeping a
// direction warm buys and costs: the first answer of a kept direction against a cold one
// through the pool (median of N each), and the resident memory of a warm pipeline's stages.
//
//   apertium_bench [--rounds N] [--samples N] [MODE...]   (modes default to eng-spa spa-eng)
//
// With --chain: a short sentence through a chain (English to French through Spanish), warm,
// against the direct first leg and the two commands in a row, and how many directions are
// offered from English, Spanish and Russian without chains and with them.
//
//   apertium_bench --chain [--calls N]   (N defaults to 200)

#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/apertium/ApertiumModes.h"
#include "platform/linux/apertium/ApertiumPipeline.h"
#include "platform/linux/apertium/ApertiumPipelinePool.h"
#include "platform/linux/apertium/ApertiumSession.h"
#include "platform/linux/packages/AptCatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

const QStringList kEnglish = {
    u"Hello world."_s,
    u"I like cats."_s,
    u"The weather is very nice today."_s,
    u"Where is the nearest railway station?"_s,
    u"She bought three red apples at the market."_s,
    u"We will meet at half past ten near the old bridge."_s,
    u"Could you please send me the report by Friday?"_s,
    u"The children played in the garden all afternoon."_s,
    u"My brother works in a hospital in the city centre."_s,
    u"This book was written more than a hundred years ago."_s,
    u"Turn left at the second traffic light."_s,
    u"I don't understand what you mean."_s,
    u"The museum is closed on Mondays."_s,
    u"They have lived here since 2015."_s,
    u"How much does this ticket cost?"_s,
    u"It was raining when we left the house."_s,
    u"Please close the window, it is cold."_s,
    u"The new software update fixes several security problems."_s,
    u"Our teacher explained the lesson again."_s,
    u"Thank you very much for your help!"_s,
};

const QStringList kSpanish = {
    u"Hola mundo."_s,
    u"Me gustan los gatos."_s,
    u"Hoy hace muy buen tiempo."_s,
    u"¿Dónde está la estación de tren más cercana?"_s,
    u"Compró tres manzanas rojas en el mercado."_s,
    u"Nos veremos a las diez y media cerca del puente viejo."_s,
    u"¿Podrías enviarme el informe antes del viernes?"_s,
    u"Los niños jugaron en el jardín toda la tarde."_s,
    u"Mi hermano trabaja en un hospital del centro de la ciudad."_s,
    u"Este libro fue escrito hace más de cien años."_s,
    u"Gira a la izquierda en el segundo semáforo."_s,
    u"No entiendo lo que quieres decir."_s,
    u"El museo está cerrado los lunes."_s,
    u"Viven aquí desde 2015."_s,
    u"¿Cuánto cuesta este billete?"_s,
    u"Estaba lloviendo cuando salimos de casa."_s,
    u"Por favor, cierra la ventana, hace frío."_s,
    u"La nueva actualización corrige varios problemas de seguridad."_s,
    u"Nuestro profesor explicó la lección otra vez."_s,
    u"¡Muchas gracias por tu ayuda!"_s,
};

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

double elapsedMs(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// One run of the command as a user would type it; nothing when it fails.
std::optional<QString> runCommand(const QString& mode, const QString& text) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(u"apertium"_s, {u"-u"_s, mode});
    process.write(text.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

void benchMode(const QString& mode, int rounds) {
    const QString file = u"/usr/share/apertium/modes/"_s + mode + u".mode"_s;
    if (!QFile::exists(file)) {
        std::printf("%s: not installed, skipped\n", qPrintable(mode));
        return;
    }
    const QStringList& sentences = mode.startsWith(u"spa"_s) ? kSpanish : kEnglish;

    ApertiumPipeline pipeline(file);
    pipeline.setRestartAfter(1 << 30);
    QElapsedTimer timer;
    timer.start();
    const auto first = pipeline.translate(sentences.constFirst());
    const double cold = elapsedMs(timer);
    if (!first.text) {
        std::printf("%s: %s\n", qPrintable(mode), qPrintable(first.error));
        return;
    }

    // One pass to warm every stage, then the measured rounds.
    QStringList warmAnswers;
    for (const QString& sentence : sentences) {
        warmAnswers.append(pipeline.translate(sentence).text.value_or(QString()));
    }
    std::vector<double> warm;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& sentence : sentences) {
            timer.restart();
            const auto result = pipeline.translate(sentence);
            warm.push_back(elapsedMs(timer));
            if (!result.text) {
                std::printf("%s: %s\n", qPrintable(mode), qPrintable(result.error));
                return;
            }
        }
    }

    std::vector<double> command;
    int differing = 0;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        timer.restart();
        const auto answer = runCommand(mode, sentences.at(i));
        command.push_back(elapsedMs(timer));
        if (!answer) {
            std::printf("%s: the apertium command failed\n", qPrintable(mode));
            return;
        }
        differing += *answer != warmAnswers.at(i);
    }

    const double warmMedian = median(warm);
    const double commandMedian = median(command);
    std::printf("%-8s cold start + first answer %8.1f ms\n", qPrintable(mode), cold);
    std::printf("%-8s warm pipeline   median %7.2f ms  p90 %7.2f ms  (%zu calls)\n",
                qPrintable(mode), warmMedian, percentile(warm, 0.9), warm.size());
    std::printf("%-8s apertium -u     median %7.1f ms  p90 %7.1f ms  (%zu calls)\n",
                qPrintable(mode), commandMedian, percentile(command, 0.9), command.size());
    std::printf("%-8s ratio command/warm %.0fx; answers differing from the command: %d of %lld\n",
                qPrintable(mode), commandMedian / std::max(warmMedian, 1e-6), differing,
                static_cast<long long>(sentences.size()));
}

// A kept direction is started long before the user's request; this is long enough for every
// stage to have loaded its data.
constexpr auto kKeptIdle = std::chrono::milliseconds(1500);

std::shared_ptr<ApertiumPipelinePool> benchPool() {
    ApertiumPipelinePool::Options options;
    options.factory = ApertiumEngine::realPipelines();
    return ApertiumPipelinePool::create(std::move(options));
}

// The time to the pool's answer; negative when it failed.
double timedAnswer(ApertiumPipelinePool& pool, const QString& file, const QString& text) {
    QElapsedTimer timer;
    timer.start();
    const TranslationBatchResult result =
        pool.translate(file, {{text, u"0"_s}}, std::make_shared<std::atomic<bool>>(false)).result();
    return result.ok() ? elapsedMs(timer) : -1;
}

// The sum of one field of /proc/<pid>/`file` over the processes, in KiB: VmRSS of status
// counts the libraries the stages share once per stage, Pss of smaps_rollup shares them out.
qint64 memoryKiB(const QList<pid_t>& pids, const char* file, const QByteArray& field) {
    qint64 total = 0;
    for (const pid_t pid : pids) {
        QFile status(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1StringView(file)));
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(field)) {
                total += line.mid(field.size()).trimmed().split(' ').constFirst().toLongLong();
            }
        }
    }
    return total;
}

QString memoryMiB(const QList<pid_t>& pids) {
    return u"VmRSS %1 MiB, Pss %2 MiB"_s
        .arg(double(memoryKiB(pids, "status", "VmRSS:")) / 1024, 0, 'f', 1)
        .arg(double(memoryKiB(pids, "smaps_rollup", "Pss:")) / 1024, 0, 'f', 1);
}

void benchKeptWarm(const QString& mode, int samples) {
    const QString file = u"/usr/share/apertium/modes/"_s + mode + u".mode"_s;
    if (!QFile::exists(file)) {
        return;
    }
    const QStringList& sentences = mode.startsWith(u"spa"_s) ? kSpanish : kEnglish;

    std::vector<double> cold;
    std::vector<double> kept;
    for (int i = 0; i < samples; ++i) {
        const QString& sentence = sentences.at(i % sentences.size());
        cold.push_back(timedAnswer(*benchPool(), file, sentence));
        const auto pool = benchPool();
        pool->keepWarm({file}).waitForFinished();
        std::this_thread::sleep_for(kKeptIdle);
        kept.push_back(timedAnswer(*pool, file, sentence));
        if (cold.back() < 0 || kept.back() < 0) {
            std::printf("%s: a translation through the pool failed\n", qPrintable(mode));
            return;
        }
    }
    std::printf("%-8s first answer, cold   median %7.1f ms  p90 %7.1f ms  (%d calls)\n",
                qPrintable(mode), median(cold), percentile(cold, 0.9), samples);
    std::printf("%-8s first answer, kept   median %7.1f ms  p90 %7.1f ms  (%d calls)\n",
                qPrintable(mode), median(kept), percentile(kept, 0.9), samples);

    ApertiumPipeline pipeline(file);
    if (pipeline.start()) {
        return;
    }
    std::this_thread::sleep_for(kKeptIdle);
    const QString idle = memoryMiB(pipeline.stagePids());
    for (const QString& sentence : sentences) {
        pipeline.translate(sentence);
    }
    std::printf("%-8s memory of %lld stages: started %s; after %lld sentences %s\n",
                qPrintable(mode), static_cast<long long>(pipeline.stagePids().size()),
                qPrintable(idle), static_cast<long long>(sentences.size()),
                qPrintable(memoryMiB(pipeline.stagePids())));
}

// The medians of `calls` warm answers of one sentence through each session, the sessions taking
// turns so that a slower spell of the machine weighs on all of them alike.
std::optional<std::vector<double>>
warmMedians(const QList<std::pair<TranslationSession*, QString>>& runs, int calls) {
    std::vector<std::vector<double>> times(size_t(runs.size()));
    for (int i = 0; i <= calls; ++i) {
        for (qsizetype run = 0; run < runs.size(); ++run) {
            QElapsedTimer timer;
            timer.start();
            if (!runs[run].first->translations({{runs[run].second, u"0"_s}}).result().ok()) {
                return std::nullopt;
            }
            if (i > 0) { // the first call starts the pipelines
                times[size_t(run)].push_back(elapsedMs(timer));
            }
        }
    }
    std::vector<double> medians;
    for (const auto& list : times) {
        medians.push_back(median(list));
    }
    return medians;
}

void benchChain(int calls) {
    const QString folder = u"/usr/share/apertium/modes"_s;
    const auto language = [](const char* side) {
        return *ApertiumModes::language(QString::fromLatin1(side));
    };
    ApertiumEngine::Options options;
    options.modeFolders = {folder};
    ApertiumEngine engine(std::move(options));
    const auto chained = engine.openSession(language("eng"), language("fra"));
    const auto direct = engine.openSession(language("eng"), language("spa"));
    const auto second = engine.openSession(language("spa"), language("fra"));
    if (!chained || !direct || !second) {
        std::printf("chain: eng-spa and es-fr must be installed (apertium-eng-spa, "
                    "apertium-fr-es)\n");
        return;
    }
    const QString sentence = u"The weather is very nice today."_s;
    const auto spanish = direct->translations({{sentence, u"0"_s}}).result();
    const auto medians = warmMedians({{chained.get(), sentence},
                                      {direct.get(), sentence},
                                      {second.get(), spanish.responses.value(0).targetText}},
                                     calls);
    if (!medians) {
        std::printf("chain: a translation failed\n");
        return;
    }
    const double chainedMs = medians->at(0);
    const double directMs = medians->at(1);
    std::vector<double> commands;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto spanish = runCommand(u"eng-spa"_s, sentence);
        const auto french = spanish ? runCommand(u"es-fr"_s, *spanish) : std::nullopt;
        if (!french) {
            std::printf("chain: the apertium command failed\n");
            return;
        }
        commands.push_back(elapsedMs(timer));
    }
    std::printf("eng>spa>fr warm chain     median %7.2f ms  (%d calls)\n", chainedMs, calls);
    std::printf("eng-spa    warm direct    median %7.2f ms  (%d calls); chain/direct %.2fx\n",
                directMs, calls, chainedMs / std::max(directMs, 1e-6));
    std::printf("es-fr      its second leg median %7.2f ms  (%d calls)\n", medians->at(2), calls);
    std::printf("eng>spa>fr two commands   median %7.1f ms  (%zu runs); commands/chain %.0fx\n",
                median(commands), commands.size(), median(commands) / std::max(chainedMs, 1e-6));

    // Directions offered from each language to every other base language, as the engine sees
    // them: first with the installed pairs alone, then with every pair package apt knows.
    for (const bool everyPackage : {false, true}) {
        ApertiumEngine::Options counting;
        counting.modeFolders = {folder};
        if (everyPackage) {
            counting.catalog = std::make_shared<AptCatalog>();
        }
        ApertiumEngine offered(std::move(counting));
        QList<EngineLanguage> bases;
        for (const EngineLanguage& candidate : offered.supportedLanguages().result()) {
            const auto base = ApertiumModes::language(candidate.engineCode.section(u'_', 0, 0));
            if (base && !bases.contains(*base)) {
                bases.append(*base);
            }
        }
        for (const char* from : {"en", "es", "ru"}) {
            const auto source = ApertiumModes::language(QString::fromLatin1(from));
            int directions = 0;
            int chains = 0;
            for (const EngineLanguage& target : std::as_const(bases)) {
                if (!source || target.identifier == source->identifier
                    || offered.status(*source, target).result() == PairStatus::unsupported) {
                    continue;
                }
                ++(offered.intermediate(*source, target) ? chains : directions);
            }
            std::printf("%-28s from %s: %3d directions without chains, %3d with them\n",
                        everyPackage ? "every Debian pair package" : "installed pairs only", from,
                        directions, directions + chains);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList modes;
    int rounds = 5;
    int samples = 20;
    int calls = 200;
    bool chain = false;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"--chain"_s) {
            chain = true;
        } else if (arguments.at(i) == u"--calls"_s && i + 1 < arguments.size()) {
            calls = std::max(1, arguments.at(++i).toInt());
        } else if (arguments.at(i) == u"--rounds"_s && i + 1 < arguments.size()) {
            rounds = std::max(1, arguments.at(++i).toInt());
        } else if (arguments.at(i) == u"--samples"_s && i + 1 < arguments.size()) {
            samples = std::max(1, arguments.at(++i).toInt());
        } else {
            modes.append(arguments.at(i));
        }
    }
    if (chain) {
        benchChain(calls);
        return 0;
    }
    if (modes.isEmpty()) {
        modes = {u"eng-spa"_s, u"spa-eng"_s};
    }
    for (const QString& mode : std::as_const(modes)) {
        benchMode(mode, rounds);
        benchKeptWarm(mode, samples);
    }
    return 0;
}
