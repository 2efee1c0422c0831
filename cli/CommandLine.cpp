#include "cli/CommandLine.h"

#include "app/languages/LanguageService.h"
#include "app/translation/HistoryModel.h"
#include "app/translation/TranslationRun.h"
#include "app/translation/TranslatorModel.h"
#include "core/InputPieces.h"
#include "core/LangChoice.h"
#include "core/LanguageCode.h"
#include "core/LanguageDetector.h"
#include "core/WordDetector.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QHash>

#include <optional>

namespace {

// What the detector's recogniser was told and said, kept past the recogniser's life.
struct RecognizerWitness {
    QHash<QString, double> hints;
    QStringList explanation;
    QList<LanguageHypothesis> hypotheses;
};

class WitnessedRecognizer final : public LanguageRecognizer {
public:
    WitnessedRecognizer(std::unique_ptr<LanguageRecognizer> inner,
                        std::shared_ptr<RecognizerWitness> witness)
        : m_inner(std::move(inner))
        , m_witness(std::move(witness)) {}

    void setLanguageHints(const QHash<QString, double>& hints) override {
        m_witness->hints = hints;
        m_inner->setLanguageHints(hints);
    }
    void processString(const QString& text) override {
        m_inner->processString(text);
        m_witness->explanation = m_inner->explanation();
    }
    QList<LanguageHypothesis> languageHypotheses(int maximum) const override {
        m_witness->hypotheses = m_inner->languageHypotheses(maximum);
        return m_witness->hypotheses;
    }

private:
    std::unique_ptr<LanguageRecognizer> m_inner;
    std::shared_ptr<RecognizerWitness> m_witness;
};

// Columns padded to their widest cell plus two spaces; the last column is not padded.
void printTable(QTextStream& out, const QList<QStringList>& rows) {
    QList<qsizetype> widths(rows.isEmpty() ? 0 : rows.first().size() - 1, 0);
    for (const QStringList& row : rows) {
        for (qsizetype column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row.at(column).size());
    }
    for (const QStringList& row : rows) {
        for (qsizetype column = 0; column < widths.size(); ++column)
            out << row.at(column).leftJustified(widths[column] + 2);
        out << row.last() << '\n';
    }
    out.flush();
}

struct Arguments {
    QHash<QString, QString> values;
    // Every value of an option that may be given more than once, in order.
    QHash<QString, QStringList> repeated;
    QSet<QString> flags;
    QStringList texts;
    QString error;
};

// Options as "--name value" or "--name=value"; "--" ends them.
Arguments parse(const QStringList& arguments, const QStringList& valued, const QStringList& flags) {
    Arguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            parsed.texts.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (flags.contains(name) && equals < 0) {
            parsed.flags.insert(name);
        } else if (valued.contains(name)) {
            if (equals >= 0) {
                parsed.values.insert(name, argument.mid(equals + 1));
                parsed.repeated[name].append(argument.mid(equals + 1));
            } else if (i + 1 < arguments.size()) {
                parsed.values.insert(name, arguments.at(++i));
                parsed.repeated[name].append(arguments.at(i));
            } else {
                parsed.error = QStringLiteral("%1 needs a value").arg(name);
                return parsed;
            }
        } else {
            parsed.error = QStringLiteral("unknown option %1").arg(argument);
            return parsed;
        }
    }
    return parsed;
}

template <typename T>
QFuture<T> waitFor(const QFuture<T>& future) {
    if (!future.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<T> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!future.isFinished())
            loop.exec();
    }
    return future;
}

// A fixed code, or automatic for an absent option; absent for an empty code.
std::optional<LangChoice> choice(const Arguments& arguments, const QString& option) {
    const auto it = arguments.values.constFind(option);
    if (it == arguments.values.cend())
        return LangChoice::automatic();
    const QString code = LanguageCode::normalize(it->trimmed());
    if (code.isEmpty())
        return std::nullopt;
    return LangChoice::fixed(code);
}

QString readAll(QTextStream* in) {
    return in ? in->readAll() : QString();
}

// The white space the run trims, which the output keeps.
qsizetype leadingSpace(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return i;
}

qsizetype trailingSpace(const QString& text, qsizetype lead) {
    qsizetype i = text.size();
    while (i > lead && text.at(i - 1).isSpace())
        --i;
    return text.size() - i;
}

// Translates `text` at once and waits for the run to end.
TranslationPhase translateNow(TranslatorModel& model, const QString& text) {
    model.setText(text);
    if (model.phase().kind == TranslationPhase::Kind::working) {
        QEventLoop loop;
        QObject::connect(&model, &TranslatorModel::phaseChanged, &loop, [&model, &loop] {
            if (model.phase().kind != TranslationPhase::Kind::working)
                loop.quit();
        });
        loop.exec();
    }
    return model.phase();
}

} // namespace

CommandLine::CommandLine(Environment environment)
    : m_env(std::move(environment)) {}

bool CommandLine::handles(const QString& command) {
    return command == QLatin1String("translate") || command == QLatin1String("languages")
           || command == QLatin1String("detect") || command == QLatin1String("define")
           || command == QLatin1String("dictionaries");
}

QString CommandLine::usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  verdolin translate [--from CODE] [--to CODE] [--definitions] [--history] [TEXT...]\n"
        "  verdolin languages\n"
        "  verdolin detect [--my CODE] [--second CODE] [--supported CODE,CODE...] [--lines] "
        "[--explain] [TEXT...]\n"
        "  verdolin define [--dict ID]... [WORD]\n"
        "  verdolin dictionaries\n"
        "  verdolin capture\n"
        "  verdolin [--translate-text TEXT] [--translate-clipboard] [--open-translator] "
        "[verdolin://COMMAND...]\n"
        "  verdolin --version\n"
        "Without a command Verdolin starts in the system tray, or hands its arguments to the\n"
        "running Verdolin: --translate-text opens the window at the pointer with TEXT translated,\n"
        "verdolin://translate?text=..., hide, setup?step=N and settings?tab=NAME are commands.\n"
        "Without TEXT or WORD the text is read from standard input. translate --definitions also\n"
        "prints the definitions of a single word; --history records the translation in the\n"
        "history the window shows. capture reads the selection as the shortcut does and prints\n"
        "it, or empty, clipboardBusy or noPermission on standard error, and clipboardLost when\n"
        "the clipboard could not be put back. detect --explain also prints the hypotheses with\n"
        "their probabilities and where they came from.\n");
}

int CommandLine::run(const QStringList& arguments) {
    const QString command = arguments.value(0);
    if (arguments.size() > 1
        && (arguments.at(1) == QLatin1String("--help") || arguments.at(1) == QLatin1String("-h"))) {
        *m_env.out << usageText();
        return done;
    }
    if (command == QLatin1String("translate"))
        return translate(arguments);
    if (command == QLatin1String("languages"))
        return languages(arguments);
    if (command == QLatin1String("detect"))
        return detect(arguments);
    if (command == QLatin1String("define"))
        return define(arguments);
    if (command == QLatin1String("dictionaries"))
        return listDictionaries(arguments);
    return usageError(QStringLiteral("unknown command %1").arg(command));
}

int CommandLine::usageError(const QString& message) {
    *m_env.err << "verdolin: " << message << '\n' << usageText();
    m_env.err->flush();
    return usage;
}

int CommandLine::translate(const QStringList& arguments) {
    const Arguments parsed = parse(arguments, {QStringLiteral("--from"), QStringLiteral("--to")},
                                   {QStringLiteral("--history"), QStringLiteral("--definitions")});
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const std::optional<LangChoice> from = choice(parsed, QStringLiteral("--from"));
    const std::optional<LangChoice> to = choice(parsed, QStringLiteral("--to"));
    if (!from || !to)
        return usageError(QStringLiteral("a language code is empty"));
    const bool recordHistory = parsed.flags.contains(QStringLiteral("--history"));
    const bool printDefinitions = parsed.flags.contains(QStringLiteral("--definitions"));

    const QString text = parsed.texts.isEmpty() ? readAll(m_env.in) : parsed.texts.join(' ');
    QTextStream& out = *m_env.out;
    QTextStream& err = *m_env.err;
    if (!WordDetector::hasWords(text)) {
        // The window shows nothing for such a text either.
        err << "verdolin: nothing to translate\n";
        return notFound;
    }

    TranslationEngine& engine = m_env.engine();
    LanguageService service(engine, {m_env.names, m_env.interfaceLocale, m_env.preferredLanguages,
                                     LanguageService::steadyClock});
    service.setRepairLanguages(m_env.repairLanguages);
    waitFor(service.load());

    // The window's pipeline, run without the typing delay.
    AppSettings& settings = m_env.settings();
    TranslatorModel::Services services;
    services.settings = &settings;
    services.languages = &service;
    services.engine = &engine;
    // With the source language given, detection cannot change the direction: the lexicon
    // analysers are not worth starting.
    services.recognizers =
        from->code && m_env.plainRecognizers ? m_env.plainRecognizers : m_env.recognizers;
    services.dictionaries = &m_env.dictionaries();
    services.clock = m_env.clock;
    TranslatorModel model(services);
    std::optional<HistoryModel> history;
    if (recordHistory) {
        history.emplace(m_env.historyFile);
        model.setHistory(&*history);
    }
    model.setFromChoice(*from);
    model.setToChoice(*to);

    // The window stops at its limit; a script gets the whole input, piece by piece through the
    // same pipeline, with the white space between pieces kept so every line stays a line.
    const QStringList pieces = InputPieces::split(text, TranslationRun::translationCap);
    bool decided = false;
    for (const QString& piece : pieces) {
        const qsizetype lead = leadingSpace(piece);
        const qsizetype trail = trailingSpace(piece, lead);
        const QString body = piece.mid(lead, piece.size() - lead - trail);
        if (!WordDetector::hasWords(body)) {
            out << piece;
            continue;
        }
        if (decided) {
            // Every piece goes the way the first one went.
            model.clear();
            model.setFromChoice(LangChoice::fixed(model.sourceCode()));
            model.setToChoice(LangChoice::fixed(model.targetCode()));
        }
        TranslationPhase phase = translateNow(model, body);
        if (phase.kind == TranslationPhase::Kind::failed) {
            // A translator that stopped working is started afresh for the next request.
            phase = translateNow(model, body);
        }
        if (phase.kind != TranslationPhase::Kind::done) {
            out.flush();
            return reportUnfinished(model, service);
        }
        out << piece.left(lead) << model.result() << piece.right(trail);
        out.flush();
        if (decided)
            continue;
        decided = true;
        err << model.sourceCode() << " → " << model.targetCode();
        // Installed pairs are remembered, so this asks the engine nothing.
        const std::optional<ResolvedPair> pair =
            waitFor(service.resolvePair(model.sourceCode(), model.targetCode())).result();
        if (pair) {
            err << " (" << pair->source.engineCode << " → " << pair->target.engineCode;
            if (const QString via = service.viaText(pair); !via.isEmpty())
                err << ", " << via;
            err << ')';
        }
        err << '\n';
        err.flush();
        if (history) {
            // One entry, for the beginning, as the window would have recorded it.
            if (!settings.saveHistory())
                err << "verdolin: saving the history is switched off in the settings\n";
            model.commitPendingHistory();
        }
    }
    if (!text.endsWith(QLatin1Char('\n')))
        out << '\n';
    if (printDefinitions && pieces.size() == 1) {
        for (const DictEntry& entry : model.entries())
            out << '\n' << entry.name << ":\n" << entry.text << '\n';
    }
    out.flush();
    if (history) {
        // The window's history file is never written over when it could not be read.
        if (const std::optional<QString> error = history->store().loadError()) {
            err << "verdolin: the history cannot be read, so nothing was recorded: " << *error
                << '\n';
            return historyFailure;
        }
        if (!history->store().flush()) {
            err << "verdolin: the history could not be saved\n";
            return historyFailure;
        }
    }
    return done;
}

int CommandLine::reportUnfinished(const TranslatorModel& model, const LanguageService& service) {
    QTextStream& err = *m_env.err;
    const auto direction = [&service](const QString& source, const QString& target) {
        return QStringLiteral("%1 (%2) → %3 (%4)")
            .arg(service.name(source), source, service.name(target), target);
    };
    const TranslationPhase phase = model.phase();
    switch (phase.kind) {
    case TranslationPhase::Kind::needsDownload: {
        err << "verdolin: Languages are not downloaded: " << direction(phase.source, phase.target)
            << '\n';
        const std::optional<DownloadRequest> download = model.pendingDownload();
        const QStringList packages =
            download && m_env.packagesFor ? m_env.packagesFor(*download) : QStringList{};
        if (!packages.isEmpty())
            err << (packages.size() == 1 ? "Install the package " : "Install the packages ")
                << packages.join(QStringLiteral(", ")) << ", for example with: sudo apt install "
                << packages.join(u' ') << '\n';
        return unavailable;
    }
    case TranslationPhase::Kind::unsupported:
        err << "verdolin: This pair is not available offline: "
            << direction(phase.source, phase.target) << '\n';
        return unavailable;
    case TranslationPhase::Kind::failed:
        err << "verdolin: Could not translate: " << phase.message << '\n';
        return engineFailure;
    case TranslationPhase::Kind::done:
    case TranslationPhase::Kind::idle:
    case TranslationPhase::Kind::working:
        break;
    }
    return engineFailure;
}

int CommandLine::languages(const QStringList& arguments) {
    const Arguments parsed = parse(arguments, {}, {});
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    if (!parsed.texts.isEmpty())
        return usageError(QStringLiteral("languages takes no text"));

    TranslationEngine& engine = m_env.engine();
    LanguageService service(engine, {m_env.names, m_env.interfaceLocale, m_env.preferredLanguages,
                                     LanguageService::steadyClock});
    service.setRepairLanguages(m_env.repairLanguages);
    waitFor(service.load());
    if (service.options().isEmpty()) {
        *m_env.err << "verdolin: " << TranslationRun::noEngineMessage() << '\n';
        return engineFailure;
    }

    // Status from each of the user's two languages.
    const LanguagePrefs stored = m_env.storedLanguages();
    QStringList froms = {stored.my};
    if (stored.second != stored.my)
        froms.append(stored.second);
    QList<QStringList> rows;
    QStringList header = {QStringLiteral("code"), QStringLiteral("name")};
    for (const QString& from : std::as_const(froms))
        header.append(QStringLiteral("from %1").arg(from));
    header.append(QStringLiteral("variants"));
    rows.append(header);
    for (const LangOption& option : service.options()) {
        QStringList row = {option.code, option.name};
        for (const QString& from : std::as_const(froms)) {
            if (option.code == from) {
                row.append(from == stored.my ? QStringLiteral("my language")
                                             : QStringLiteral("second language"));
                continue;
            }
            const std::optional<ResolvedPair> pair =
                waitFor(service.resolvePair(from, option.code)).result();
            QString status = !pair                                   ? QStringLiteral("unavailable")
                             : pair->status == PairStatus::installed ? QStringLiteral("installed")
                             : pair->status == PairStatus::supported
                                 ? QStringLiteral("download")
                                 : QStringLiteral("unavailable");
            // A chained direction never passes for a direct one.
            if (const QString via = service.viaText(pair); !via.isEmpty())
                status += u' ' + via;
            row.append(status);
        }
        QStringList variants;
        for (const EngineLanguage& variant : service.ordered(option.code))
            variants.append(variant.identifier);
        row.append(variants.join(QStringLiteral(", ")));
        rows.append(row);
    }

    printTable(*m_env.out, rows);
    return done;
}

int CommandLine::detect(const QStringList& arguments) {
    const Arguments parsed =
        parse(arguments,
              {QStringLiteral("--my"), QStringLiteral("--second"), QStringLiteral("--supported")},
              {QStringLiteral("--lines"), QStringLiteral("--explain")});
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const bool lines = parsed.flags.contains(QStringLiteral("--lines"));
    const bool explain = parsed.flags.contains(QStringLiteral("--explain"));
    if (lines && !parsed.texts.isEmpty())
        return usageError(QStringLiteral("--lines reads standard input and takes no text"));
    if (lines && explain)
        return usageError(QStringLiteral("--explain takes one text, not --lines"));

    QString my = LanguageCode::normalize(parsed.values.value(QStringLiteral("--my")).trimmed());
    QString second =
        LanguageCode::normalize(parsed.values.value(QStringLiteral("--second")).trimmed());

    QSet<QString> supported;
    std::optional<LanguageService> service;
    if (parsed.values.contains(QStringLiteral("--supported"))) {
        for (const QString& code : parsed.values.value(QStringLiteral("--supported"))
                                       .split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString normalized = LanguageCode::normalize(code.trimmed());
            if (!normalized.isEmpty())
                supported.insert(normalized);
        }
        if (supported.isEmpty())
            return usageError(QStringLiteral("--supported names no language"));
    } else {
        service.emplace(m_env.engine(), LanguageService::Setup{m_env.names, m_env.interfaceLocale,
                                                               m_env.preferredLanguages,
                                                               LanguageService::steadyClock});
        service->setRepairLanguages(m_env.repairLanguages);
        waitFor(service->load());
        supported = TranslationRun::detectionLanguages(*service);
    }
    if (my.isEmpty() || second.isEmpty()) {
        const LanguagePrefs stored = m_env.storedLanguages();
        if (my.isEmpty())
            my = stored.my;
        if (second.isEmpty())
            second = stored.second;
    }

    const auto detectOne = [&](const QString& text) {
        return LanguageDetector::detect(TranslationRun::cut(text).sample, supported, {my, second},
                                        m_env.recognizers);
    };
    QTextStream& out = *m_env.out;
    if (lines) {
        QString line;
        while (m_env.in && m_env.in->readLineInto(&line)) {
            out << detectOne(line).value_or(QString()) << '\n';
            out.flush();
        }
        return done;
    }

    const QString text = parsed.texts.isEmpty() ? readAll(m_env.in) : parsed.texts.join(' ');
    if (!explain) {
        const std::optional<QString> code = detectOne(text);
        if (!code)
            return notFound;
        out << *code << '\n';
        out.flush();
        return done;
    }

    // The detector makes and drops its recogniser; a witness keeps what it said.
    auto witness = std::make_shared<RecognizerWitness>();
    const std::optional<QString> code = LanguageDetector::detect(
        TranslationRun::cut(text).sample, supported, {my, second},
        [this, witness]() -> std::unique_ptr<LanguageRecognizer> {
            std::unique_ptr<LanguageRecognizer> inner =
                m_env.recognizers ? m_env.recognizers() : nullptr;
            if (!inner)
                return nullptr;
            return std::make_unique<WitnessedRecognizer>(std::move(inner), witness);
        });
    out << (code ? *code : QStringLiteral("no language")) << '\n';
    if (!witness->hints.isEmpty()) {
        QStringList hints;
        for (auto it = witness->hints.cbegin(); it != witness->hints.cend(); ++it)
            hints.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        hints.sort();
        out << "hints: " << hints.join(QStringLiteral(", ")) << '\n';
    }
    for (const QString& line : std::as_const(witness->explanation))
        out << line << '\n';
    out << "hypotheses:\n";
    for (const LanguageHypothesis& hypothesis : std::as_const(witness->hypotheses))
        out << "  " << hypothesis.identifier << ' '
            << QString::number(hypothesis.probability, 'f', 3) << '\n';
    out << "needed: " << QString::number(LanguageDetector::supportedThreshold, 'f', 1)
        << " for a language in "
        << "the list, " << QString::number(LanguageDetector::unsupportedThreshold, 'f', 1)
        << " for another\n";
    out.flush();
    return code ? done : notFound;
}

int CommandLine::define(const QStringList& arguments) {
    const Arguments parsed = parse(arguments, {QStringLiteral("--dict")}, {});
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const QString word =
        (parsed.texts.isEmpty() ? readAll(m_env.in) : parsed.texts.join(' ')).simplified();
    if (word.isEmpty())
        return usageError(QStringLiteral("define needs a word"));

    DictionaryService& service =
        m_env.dictionaries ? m_env.dictionaries() : DictionaryService::shared();
    // Without --dict the active dictionaries and the default one answer, as in the window.
    std::optional<QStringList> ids;
    if (parsed.repeated.contains(QStringLiteral("--dict"))) {
        ids = parsed.repeated.value(QStringLiteral("--dict"));
        QSet<QString> known;
        for (const InstalledDictionary& dictionary : service.installed())
            known.insert(dictionary.id);
        for (const QString& id : std::as_const(*ids)) {
            if (!known.contains(id))
                *m_env.err << "verdolin: no dictionary " << id << " is installed\n";
        }
    }

    QFuture<QList<DictEntry>> future = service.lookup(word, ids);
    future.waitForFinished();
    const QList<DictEntry> entries = DictionaryService::entriesOf(future);
    if (entries.isEmpty()) {
        *m_env.err << "verdolin: no definition of " << word << '\n';
        return notFound;
    }
    QTextStream& out = *m_env.out;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out << '\n';
        out << entries.at(i).name << '\n' << entries.at(i).text << '\n';
    }
    out.flush();
    return done;
}

int CommandLine::listDictionaries(const QStringList& arguments) {
    const Arguments parsed = parse(arguments, {}, {});
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    if (!parsed.texts.isEmpty())
        return usageError(QStringLiteral("dictionaries takes no text"));

    DictionaryService& service =
        m_env.dictionaries ? m_env.dictionaries() : DictionaryService::shared();
    const QList<InstalledDictionary> installed = service.installed();
    if (installed.isEmpty()) {
        *m_env.err << "verdolin: no dictionaries are installed\n";
        return notFound;
    }
    const QStringList active = service.activeIDs();
    QList<QStringList> rows = {{QStringLiteral("identifier"), QStringLiteral("name"),
                                QStringLiteral("format"), QStringLiteral("active")}};
    for (const InstalledDictionary& dictionary : installed) {
        rows.append(
            {dictionary.id, dictionary.name, dictionary.format,
             active.contains(dictionary.id) ? QStringLiteral("yes") : QStringLiteral("no")});
    }
    printTable(*m_env.out, rows);
    return done;
}
