// Look-ups per second of the dictionary service against one `dict` client per word asking a
// dictd server on loopback, and one `sdcv -n` per word on a StarDict copy of the same
// database; all in the same run.
//
//   dictionary_bench [--words N] [--peer-words N]      (defaults 1000 and 200)

#include "app/dictionary/DictionaryService.h"
#include "bench/LoopbackPort.h"
#include "platform/linux/dictionaries/DictdDictionary.h"
#include "platform/linux/dictionaries/FileDictionarySource.h"
#include "platform/linux/dictionaries/StarDictDictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

using namespace Qt::StringLiterals;

const QString kId = u"fd-eng-spa"_s;
const QString kIndex = u"/usr/share/dictd/freedict-eng-spa.index"_s;
const QString kData = u"/usr/share/dictd/freedict-eng-spa.dict.dz"_s;

// Every headword of the database in index order, without dictd's own 00database entries.
QStringList headwords() {
    QFile file(kIndex);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList words;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0 || line.startsWith("00database") || line.startsWith("00-database"))
            continue;
        const QString word = QString::fromUtf8(line.first(tab));
        if (words.isEmpty() || words.last() != word)
            words.append(word);
    }
    return words;
}

// `count` words spread evenly over `all`.
QStringList spread(const QStringList& all, qsizetype count) {
    QStringList picked;
    count = std::min(count, all.size());
    for (qsizetype i = 0; i < count; ++i)
        picked.append(all.at(i * all.size() / count));
    return picked;
}

// StarDict's order: ASCII case-insensitive, then plain bytes.
bool starDictLess(const QByteArray& a, const QByteArray& b) {
    const int folded = qstrnicmp(a.constData(), a.size(), b.constData(), b.size());
    return folded != 0 ? folded < 0 : a < b;
}

// A StarDict copy of the dictd database in `folder`; its .ifo path, empty on failure.
QString writeStarDict(const DictdDictionary& source, const QStringList& all,
                      const QString& folder) {
    QList<std::pair<QByteArray, QByteArray>> entries;
    QSet<QString> seen;
    for (const QString& word : all) {
        // The reader matches case-insensitively, so case variants share one definition.
        if (seen.contains(word.toLower()))
            continue;
        seen.insert(word.toLower());
        if (const std::optional<QString> text = source.define(word))
            entries.append({word.toUtf8(), text->toUtf8()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return starDictLess(a.first, b.first); });
    QByteArray idx;
    QByteArray dict;
    for (const auto& [word, text] : entries) {
        idx += word;
        idx += '\0';
        char number[4];
        qToBigEndian(quint32(dict.size()), number);
        idx.append(number, 4);
        qToBigEndian(quint32(text.size()), number);
        idx.append(number, 4);
        dict += text;
    }
    const QString base = folder + u"/"_s + kId;
    const QByteArray ifo = "StarDict's dict ifo file\nversion=2.4.2\nbookname=" + kId.toUtf8()
                           + "\nwordcount=" + QByteArray::number(entries.size()) + "\nidxfilesize="
                           + QByteArray::number(idx.size()) + "\nsametypesequence=m\n";
    for (const auto& [suffix, bytes] :
         {std::pair{u".ifo"_s, ifo}, std::pair{u".idx"_s, idx}, std::pair{u".dict"_s, dict}}) {
        QFile file(base + suffix);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
    }
    std::printf("StarDict copy: %lld headwords\n", static_cast<long long>(entries.size()));
    return base + u".ifo"_s;
}

// Starts dictd on loopback serving the database alone; the port, or 0.
int startDictd(QProcess& server, const QTemporaryDir& dir) {
    const QString dictd = QStandardPaths::findExecutable(u"dictd"_s, {u"/usr/sbin"_s});
    if (dictd.isEmpty())
        return 0;
    const QByteArray config = "global {\n listen_to 127.0.0.1\n}\ndatabase " + kId.toUtf8()
                              + " {\n data " + kData.toUtf8() + "\n index " + kIndex.toUtf8()
                              + "\n}\n";
    const QString configPath = dir.filePath(u"dictd.conf"_s);
    QFile file(configPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
        return 0;
    file.close();
    // dictd started as root reads its configuration after giving up its privileges.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther);
    QFile::setPermissions(configPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ReadOther);
    const int port = LoopbackPort::unused();
    server.start(dictd, {u"-c"_s, configPath, u"-p"_s, QString::number(port), u"--listen-to"_s,
                         u"127.0.0.1"_s, u"-d"_s, u"nodetach"_s});
    for (int i = 0; i < 100 && !LoopbackPort::accepts(port); ++i)
        QThread::msleep(50);
    return LoopbackPort::accepts(port) ? port : 0;
}

// Runs `program` once; true when it exits 0 and prints something.
bool runOnce(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000))
        return false;
    const QByteArray out = process.readAllStandardOutput();
    if (output)
        *output = out;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
           && !out.isEmpty();
}

struct Result {
    QString label;
    qsizetype words = 0;
    qsizetype found = 0;
    double perSecond = 0;
};

// Times `lookUp` over `words`; it answers whether something was found.
Result measure(const QString& label, const QStringList& words,
               const std::function<bool(const QString&)>& lookUp) {
    Result result{label, words.size(), 0, 0};
    QElapsedTimer timer;
    timer.start();
    for (const QString& word : words)
        if (lookUp(word))
            ++result.found;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    result.perSecond = seconds > 0 ? double(words.size()) / seconds : 0;
    std::printf("%-40s %6lld words %6lld found %12.1f look-ups/s\n", qPrintable(label),
                static_cast<long long>(result.words), static_cast<long long>(result.found),
                result.perSecond);
    std::fflush(stdout);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qsizetype wordCount = 1000;
    qsizetype peerCount = 200;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--words"_s)
            wordCount = args[++i].toLongLong();
        else if (args[i] == u"--peer-words"_s)
            peerCount = args[++i].toLongLong();
    }

    const QStringList all = headwords();
    if (all.isEmpty()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(kIndex));
        return 1;
    }
    const QStringList words = spread(all, wordCount);
    const QStringList peerWords = spread(all, peerCount);

    QTemporaryDir dir;
    const QString starDictFolder = dir.filePath(u"dic"_s);
    QDir().mkpath(starDictFolder);
    const DictdDictionary dictd(kId, kIndex, kData);
    const QString ifo = writeStarDict(dictd, all, starDictFolder);
    const std::shared_ptr<StarDictDictionary> starDict =
        ifo.isEmpty() ? nullptr : StarDictDictionary::fromIfo(ifo);
    if (!starDict) {
        std::fprintf(stderr, "cannot write the StarDict copy\n");
        return 1;
    }

    // Ours, warmed by one look-up each so that opening the files is not counted.
    DictionaryService service(std::make_shared<FileDictionarySource>());
    const QStringList ids = {kId};
    auto serviceLookUp = [&](const QString& word) {
        QFuture<QList<DictEntry>> future = service.lookup(word, ids);
        future.waitForFinished();
        return !DictionaryService::entriesOf(future).isEmpty();
    };
    serviceLookUp(words.first());
    dictd.define(words.first());
    starDict->define(words.first());

    QList<Result> results;
    const Result ours = measure(u"DictionaryService::lookup"_s, words, serviceLookUp);
    if (ours.found == 0) {
        std::fprintf(stderr, "the service found nothing: is %s installed?\n", qPrintable(kId));
        return 1;
    }
    measure(u"DictdDictionary::define"_s, words,
            [&](const QString& word) { return dictd.define(word).has_value(); });
    measure(u"StarDictDictionary::define (copy)"_s, words,
            [&](const QString& word) { return starDict->define(word).has_value(); });

    QProcess server;
    const int port = startDictd(server, dir);
    std::optional<Result> dict;
    if (port == 0 || QStandardPaths::findExecutable(u"dict"_s).isEmpty()) {
        std::printf("dict: no dictd server or dict client, skipped\n");
    } else {
        const QStringList base = {u"-h"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(port), u"-d"_s,
                                  kId};
        dict = measure(u"dict (one process per word)"_s, peerWords, [&](const QString& word) {
            return runOnce(u"dict"_s, base + QStringList{word});
        });
    }
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(3000))
            server.kill();
        server.waitForFinished(3000);
    }

    std::optional<Result> sdcv;
    const QStringList sdcvBase = {u"-n"_s, u"-x"_s, u"-e"_s, u"--data-dir"_s, dir.path()};
    QByteArray probe;
    if (QStandardPaths::findExecutable(u"sdcv"_s).isEmpty()) {
        std::printf("sdcv: not installed, skipped\n");
    } else if (!runOnce(u"sdcv"_s, sdcvBase + QStringList{peerWords.first()}, &probe)
               || !probe.contains(kId.toUtf8())) {
        std::printf("sdcv: does not find \"%s\" in the copy, skipped\n%s\n",
                    qPrintable(peerWords.first()), probe.constData());
    } else {
        sdcv = measure(u"sdcv -n (one process per word)"_s, peerWords, [&](const QString& word) {
            QByteArray out;
            return runOnce(u"sdcv"_s, sdcvBase + QStringList{word}, &out)
                   && out.contains(kId.toUtf8());
        });
    }

    if (dict)
        std::printf("ours vs dict: %.1fx\n", ours.perSecond / dict->perSecond);
    if (sdcv)
        std::printf("ours vs sdcv: %.1fx\n", ours.perSecond / sdcv->perSecond);
    return 0;
}
