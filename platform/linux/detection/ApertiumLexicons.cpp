#include "platform/linux/detection/ApertiumLexicons.h"

#include "core/LanguageCode.h"
#include "platform/linux/apertium/ApertiumModeCommand.h"
#include "platform/linux/apertium/ApertiumModes.h"
#include "platform/linux/apertium/ApertiumPipelinePool.h"
#include "platform/linux/dictionaries/DictionaryHeadwords.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QLatin1String kAutomorfSuffix(".automorf.bin");

// The analyser a mode's command starts with: the first lt-proc stage's `.automorf.bin`.
// Failing that, any `.automorf.bin` the command names.
QString analyserOfMode(const QString& modeFile) {
    QFile file(modeFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return {};
    const QString command = QString::fromLocal8Bit(file.readAll());
    if (const auto stages = ApertiumModeCommand::parse(command)) {
        for (const QStringList& argv : *stages) {
            if (QFileInfo(argv.constFirst()).fileName() != u"lt-proc")
                continue;
            for (const QString& argument : argv.sliced(1)) {
                if (argument.endsWith(kAutomorfSuffix) && QFileInfo(argument).isFile())
                    return QFileInfo(argument).absoluteFilePath();
            }
        }
    }
    static const QRegularExpression named(QStringLiteral(R"(['"]?([^\s'"|]+\.automorf\.bin))"));
    for (auto it = named.globalMatch(command); it.hasNext();) {
        const QString path = it.next().captured(1);
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

QString baseCode(const QString& code) {
    return LanguageCode::normalize(code);
}

} // namespace

QStringList ApertiumLexicons::defaultModeFolders() {
    return ApertiumModes::defaultFolders();
}

std::chrono::milliseconds ApertiumLexicons::defaultIdleTimeout() {
    return ApertiumPipelinePool::Options{}.idleTimeout;
}

ApertiumLexicons::ApertiumLexicons()
    : ApertiumLexicons(Options{}) {}

ApertiumLexicons::ApertiumLexicons(Options options)
    : m_idleTimeout(options.idleTimeout) {
    const auto lexiconOf = [this](const QString& code) -> Lexicon& {
        std::unique_ptr<Lexicon>& slot = m_lexicons[code];
        if (!slot)
            slot = std::make_unique<Lexicon>();
        return *slot;
    };

    // Of several analysers for one language the largest knows the most words.
    std::map<QString, std::pair<qint64, QString>> analysers;
    for (const ApertiumMode& mode : ApertiumModes::scan(options.modeFolders)) {
        const QString code = baseCode(mode.source.languageCode);
        const QString file = analyserOfMode(mode.file);
        if (code.isEmpty() || file.isEmpty())
            continue;
        const qint64 size = QFileInfo(file).size();
        const auto found = analysers.find(code);
        if (found == analysers.end() || size > found->second.first)
            analysers[code] = {size, file};
    }
    for (const auto& [code, sizeAndFile] : analysers)
        lexiconOf(code).analyser =
            std::make_unique<LtProcAnalyser>(sizeAndFile.second, options.analyser);

    QSet<QString> seen;
    const auto canonical = &FileDictionarySource::canonicalPath;
    for (const QString& folder : options.dictionaryFolders.dictd) {
        const QFileInfoList indexes = FileDictionarySource::dictdIndexes(folder);
        for (const QFileInfo& info : indexes) {
            const std::optional<QString> code =
                DictionaryHeadwords::sourceLanguage(info.completeBaseName());
            const QString path = canonical(info.filePath());
            if (!code || seen.contains(path))
                continue;
            seen.insert(path);
            lexiconOf(baseCode(*code)).dictdIndexes.append(path);
        }
    }
    for (const QString& folder : options.dictionaryFolders.starDict) {
        const QStringList ifos = FileDictionarySource::starDictDescriptions(folder);
        for (const QString& ifo : std::as_const(ifos)) {
            const QFileInfo info(ifo);
            // FreeDict's StarDict files sit in a folder named like the dictionary.
            std::optional<QString> code =
                DictionaryHeadwords::sourceLanguage(info.completeBaseName());
            if (!code)
                code = DictionaryHeadwords::sourceLanguage(info.dir().dirName());
            const QString path = canonical(ifo);
            if (!code || seen.contains(path))
                continue;
            seen.insert(path);
            lexiconOf(baseCode(*code)).starDictIfos.append(path);
        }
    }

    // A timer needs an event loop; without one (the command line) analysers close at exit.
    if (QCoreApplication::instance() && options.idleCheckInterval.count() > 0) {
        m_idleTimer = std::make_unique<QTimer>();
        m_idleTimer->setInterval(options.idleCheckInterval);
        QObject::connect(m_idleTimer.get(), &QTimer::timeout, m_idleTimer.get(),
                         [this] { closeIdle(); });
        m_idleTimer->start();
    }
}

ApertiumLexicons::~ApertiumLexicons() {
    m_idleTimer.reset();
}

ApertiumLexicons::Lexicon* ApertiumLexicons::find(const QString& code) const {
    const auto found = m_lexicons.find(baseCode(code));
    return found == m_lexicons.end() ? nullptr : found->second.get();
}

const QSet<QString>& ApertiumLexicons::headwords(Lexicon& lexicon) {
    std::call_once(lexicon.headwordsRead, [&lexicon] {
        for (const QString& index : std::as_const(lexicon.dictdIndexes))
            lexicon.headwords.unite(DictionaryHeadwords::readDictdIndex(index));
        for (const QString& ifo : std::as_const(lexicon.starDictIfos))
            lexicon.headwords.unite(DictionaryHeadwords::readStarDictIndex(ifo));
    });
    return lexicon.headwords;
}

bool ApertiumLexicons::hasLexicon(const QString& code) {
    return find(code) != nullptr;
}

void ApertiumLexicons::startLoading(const QStringList& codes) {
    for (const QString& code : codes) {
        Lexicon* lexicon = find(code);
        if (lexicon && lexicon->analyser)
            lexicon->analyser->start();
    }
}

std::optional<QList<bool>> ApertiumLexicons::known(const QString& code, const QStringList& tokens,
                                                   QDeadlineTimer deadline) {
    Lexicon* lexicon = find(code);
    if (!lexicon || tokens.isEmpty())
        return std::nullopt;
    closeIdleExcept(lexicon);

    const QSet<QString>& words = headwords(*lexicon);
    QList<bool> result(tokens.size(), false);
    QStringList asked;
    QList<qsizetype> positions;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& token = tokens[i];
        // Numbers and punctuation belong to every language alike.
        if (!LtProcAnalyser::hasLetter(token) || words.contains(DictionaryHeadwords::fold(token))) {
            result[i] = true;
        } else if (lexicon->analyser) {
            asked.append(token);
            positions.append(i);
        }
    }
    if (asked.isEmpty())
        return result;
    const std::optional<QList<bool>> analysed = lexicon->analyser->knowsAll(asked, deadline);
    if (!analysed)
        return std::nullopt;
    for (qsizetype k = 0; k < positions.size(); ++k)
        result[positions[k]] = analysed->at(k);
    return result;
}

std::optional<double> ApertiumLexicons::knownShare(const QString& code, const QStringList& tokens,
                                                   QDeadlineTimer deadline) {
    const std::optional<QList<bool>> each = known(code, tokens, deadline);
    if (!each)
        return std::nullopt;
    return double(std::count(each->begin(), each->end(), true)) / double(each->size());
}

bool ApertiumLexicons::prepare(const QStringList& codes, QDeadlineTimer deadline) {
    // Every analyser starts before the headwords are read and any is waited for.
    startLoading(codes);
    bool ready = true;
    for (const QString& code : codes) {
        if (Lexicon* lexicon = find(code))
            headwords(*lexicon);
    }
    for (const QString& code : codes) {
        Lexicon* lexicon = find(code);
        if (lexicon && lexicon->analyser)
            ready = lexicon->analyser->knows(QStringLiteral("a"), deadline).has_value() && ready;
    }
    return ready;
}

void ApertiumLexicons::closeIdle() {
    closeIdleExcept(nullptr);
}

void ApertiumLexicons::closeIdleExcept(const Lexicon* inUse) {
    const auto cutoff = std::chrono::steady_clock::now() - m_idleTimeout;
    for (const auto& [code, lexicon] : m_lexicons) {
        if (lexicon->analyser && lexicon.get() != inUse)
            lexicon->analyser->stopIfUnusedSince(cutoff);
    }
}

QStringList ApertiumLexicons::languages() const {
    QStringList codes;
    for (const auto& [code, lexicon] : m_lexicons)
        codes.append(code);
    return codes;
}

LtProcAnalyser* ApertiumLexicons::analyser(const QString& code) const {
    Lexicon* lexicon = find(code);
    return lexicon ? lexicon->analyser.get() : nullptr;
}

QStringList ApertiumLexicons::headwordFiles(const QString& code) const {
    Lexicon* lexicon = find(code);
    return lexicon ? lexicon->dictdIndexes + lexicon->starDictIfos : QStringList();
}
