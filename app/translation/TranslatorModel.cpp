#include "app/translation/TranslatorModel.h"

#include "app/translation/Futures.h"
#include "core/Graphemes.h"
#include "core/HistoryEntry.h"
#include "core/LanguageDetector.h"
#include "core/WordDetector.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QUuid>

Q_LOGGING_CATEGORY(lcTranslator, "verdolin.translator")

TranslatorModel::TranslatorModel(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services)) {
    Q_ASSERT(m_services.settings && m_services.languages && m_services.engine && m_services.clock);
    if (!m_services.dictionaries)
        m_services.dictionaries = &DictionaryService::shared();
    registerTypes();
}

TranslatorModel::~TranslatorModel() {
    cancelTask();
}

void TranslatorModel::registerTypes() {
    qRegisterMetaType<TranslationPhase>();
    qRegisterMetaType<LangChoice>();
    qRegisterMetaType<DownloadRequest>();
    qRegisterMetaType<EngineLanguage>();
    qRegisterMetaType<Notice>();
    qRegisterMetaType<DictEntry>();
    qRegisterMetaType<QList<DictEntry>>();
    qRegisterMetaType<HistoryEntry>();
}

// Assignable fields ---------------------------------------------------------------------------

void TranslatorModel::setInput(const QString& input) {
    if (input == m_input)
        return;
    m_input = input;
    emit inputChanged();
    setNotice(std::nullopt);
    redetectLanguage();
    schedule(false);
}

void TranslatorModel::setNotice(std::optional<Notice> notice) {
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged();
}

void TranslatorModel::setFromChoice(const LangChoice& choice) {
    if (choice == m_fromChoice)
        return;
    m_fromChoice = choice;
    emit fromChoiceChanged();
    schedule(true);
}

void TranslatorModel::setToChoice(const LangChoice& choice) {
    if (choice == m_toChoice)
        return;
    m_toChoice = choice;
    emit toChoiceChanged();
    schedule(true);
}

void TranslatorModel::setDownloadRequest(std::optional<DownloadRequest> request) {
    if (request == m_downloadRequest)
        return;
    m_downloadRequest = std::move(request);
    emit downloadRequestChanged();
}

QVariant TranslatorModel::noticeValue() const {
    return m_notice ? QVariant::fromValue(*m_notice) : QVariant();
}

void TranslatorModel::setNoticeValue(const QVariant& value) {
    if (value.isNull()) {
        setNotice(std::nullopt);
        return;
    }
    if (value.metaType() == QMetaType::fromType<Notice>()) {
        setNotice(value.value<Notice>());
        return;
    }
    // QML hands enums over as numbers.
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && number >= static_cast<int>(Notice::nothingSelected)
        && number <= static_cast<int>(Notice::clipboardLost)) {
        setNotice(static_cast<Notice>(number));
        return;
    }
    qCWarning(lcTranslator) << "ignoring a notice that is none of the known ones:" << value;
}

QString TranslatorModel::textOf(Notice notice) {
    switch (notice) {
    case Notice::nothingSelected:
        return tr("Nothing was selected. Select some text first, then try again.");
    case Notice::clipboardBusy:
        return tr("The clipboard holds something that cannot be put back safely, so the "
                  "selection was not copied.");
    case Notice::clipboardLost:
        return tr("Your clipboard could not be put back after copying the selection.");
    }
    return {};
}

QVariant TranslatorModel::detectedCodeValue() const {
    return m_detectedCode ? QVariant(*m_detectedCode) : QVariant();
}

QVariant TranslatorModel::downloadRequestValue() const {
    return m_downloadRequest ? QVariant::fromValue(*m_downloadRequest) : QVariant();
}

void TranslatorModel::setDownloadRequestValue(const QVariant& value) {
    if (value.isNull()) {
        setDownloadRequest(std::nullopt);
        return;
    }
    if (value.metaType() == QMetaType::fromType<DownloadRequest>()) {
        setDownloadRequest(value.value<DownloadRequest>());
        return;
    }
    qCWarning(lcTranslator) << "ignoring a download request of another type:" << value;
}

QVariant TranslatorModel::pendingDownloadValue() const {
    return m_pendingDownload ? QVariant::fromValue(*m_pendingDownload) : QVariant();
}

// Operations ----------------------------------------------------------------------------------

void TranslatorModel::setText(const QString& text) {
    setNotice(std::nullopt);
    setInput(Graphemes::left(text, inputCap));
    schedule(true);
    raiseFocusToken();
}

void TranslatorModel::showCaptureResult(const CaptureResult& result) {
    switch (result.kind) {
    case CaptureResult::Kind::text:
        setText(result.text);
        break;
    case CaptureResult::Kind::empty:
        setNotice(Notice::nothingSelected);
        break;
    case CaptureResult::Kind::clipboardBusy:
        setNotice(Notice::clipboardBusy);
        break;
    case CaptureResult::Kind::noPermission:
        break;
    }
    // Set after the text, which clears the notice; it outweighs "nothing selected".
    if (result.clipboardLost)
        setNotice(Notice::clipboardLost);
}

void TranslatorModel::clear() {
    setInput(QString());
    reset();
    raiseFocusToken();
}

void TranslatorModel::swapLanguages() {
    const QString source = m_sourceCode;
    const QString target = m_targetCode;
    if (source.isEmpty() || target.isEmpty())
        return;
    const QString translation = m_result;
    setFromChoice(LangChoice::fixed(target));
    setToChoice(LangChoice::fixed(source));
    // Replaces the immediate runs above with one after the typing delay.
    if (!translation.isEmpty())
        setInput(translation);
}

void TranslatorModel::copyResult() {
    if (m_result.isEmpty())
        return;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        qCWarning(lcTranslator) << "no clipboard without a graphical application";
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_result);
}

void TranslatorModel::speak() {
    if (m_result.isEmpty())
        return;
    // The shared service is only made when first needed.
    SpeechService& speech = m_services.speech ? *m_services.speech : SpeechService::shared();
    speech.toggle(m_result, m_targetCode);
}

void TranslatorModel::retryAfterDownload() {
    m_services.languages->invalidate();
    schedule(true);
}

// Runs ----------------------------------------------------------------------------------------

LanguagePrefs TranslatorModel::storedLanguages() const {
    return {m_services.settings->myLanguage(), m_services.settings->secondLanguage()};
}

void TranslatorModel::redetectLanguage() {
    const QString sample = Graphemes::left(m_input, TranslationRun::detectionSample).trimmed();
    if (sample.isEmpty()) {
        setDetectedCode(std::nullopt);
        return;
    }
    const LanguagePrefs stored = storedLanguages();
    setDetectedCode(
        LanguageDetector::detect(sample, TranslationRun::detectionLanguages(*m_services.languages),
                                 {stored.my, stored.second}, m_services.recognizers));
}

void TranslatorModel::schedule(bool immediately) {
    cancelTask();
    if (!WordDetector::hasWords(m_input)) {
        reset();
        return;
    }
    setPhase(TranslationPhase::working());

    const QString text = m_input;
    const quint64 generation = m_generation;
    const auto start = [this, text, generation] {
        if (generation == m_generation)
            run(text);
    };
    if (immediately)
        // Still a task of its own: a change made right after this one replaces it unseen.
        QMetaObject::invokeMethod(this, start, Qt::QueuedConnection);
    else
        m_typingTask = m_services.clock->after(typingDelay, start);
}

void TranslatorModel::run(const QString& text) {
    const quint64 generation = m_generation;
    auto* task =
        new TranslationRun(*m_services.engine, *m_services.languages, m_services.recognizers, this);
    m_run = task;
    connect(task, &TranslationRun::decided, this, [this](const TranslationRun::Decision& decision) {
        m_decision = decision;
        setTruncated(decision.truncated);
        setDetectedCode(decision.detected);
        setSourceCode(decision.source);
        setTargetCode(decision.target);
    });
    connect(task, &TranslationRun::translating, this, &TranslatorModel::lookUp);
    connect(task, &TranslationRun::finished, this,
            [this, task, generation](const TranslationRun::Outcome& outcome) {
                task->deleteLater();
                if (generation != m_generation)
                    return;
                m_run = nullptr;
                conclude(outcome, generation);
            });
    task->start({text, m_fromChoice, m_toChoice, storedLanguages()});
}

void TranslatorModel::lookUp() {
    const std::optional<QString> word = WordDetector::singleWord(m_decision.text);
    if (!word || !m_services.settings->showDefinitions())
        return;
    std::optional<QStringList> ids;
    if (m_services.settings->customDictionaries())
        ids = m_services.settings->dictionaryIDs();
    // Runs alongside the translation.
    m_lookup = m_services.dictionaries->lookup(*word, ids);
    m_lookupStarted = true;
}

void TranslatorModel::conclude(const TranslationRun::Outcome& outcome, quint64 generation) {
    switch (outcome.phase.kind) {
    case TranslationPhase::Kind::done: {
        const QString via = m_services.languages->viaText(outcome.pair);
        if (!m_lookupStarted) {
            publishTranslation(outcome.result, {}, via);
            return;
        }
        Futures::whenFinished(m_lookup, this,
                              [this, generation, translation = outcome.result,
                               via](const QFuture<QList<DictEntry>>& lookup) {
                                  if (generation != m_generation)
                                      return;
                                  m_lookupStarted = false;
                                  publishTranslation(translation,
                                                     DictionaryService::entriesOf(lookup), via);
                              });
        return;
    }
    case TranslationPhase::Kind::needsDownload:
        setPendingDownload(outcome.download);
        break;
    case TranslationPhase::Kind::failed:
    case TranslationPhase::Kind::unsupported:
    case TranslationPhase::Kind::idle:
    case TranslationPhase::Kind::working:
        break;
    }
    if (m_lookupStarted) {
        m_lookup.cancel();
        m_lookupStarted = false;
    }
    clearOutput(outcome.phase);
}

void TranslatorModel::publishTranslation(const QString& translation, const QList<DictEntry>& found,
                                         const QString& via) {
    setResult(translation);
    setVia(via);
    setEntries(found);
    setPhase(TranslationPhase::done());
    // The whole text is recorded even when only its single word went to the engine.
    scheduleHistory({m_decision.text, translation, m_decision.source, m_decision.target});
}

void TranslatorModel::cancelTask() {
    ++m_generation;
    m_typingTask.reset();
    if (m_run) {
        m_run->cancel();
        m_run->deleteLater();
        m_run = nullptr;
    }
    if (m_lookupStarted) {
        m_lookup.cancel();
        m_lookupStarted = false;
    }
}

void TranslatorModel::clearOutput(const TranslationPhase& phase) {
    setResult(QString());
    setVia(QString());
    setEntries({});
    setPhase(phase);
}

void TranslatorModel::reset() {
    cancelTask();
    setResult(QString());
    setVia(QString());
    setEntries({});
    setTruncated(false);
    setDetectedCode(std::nullopt);
    setPhase(TranslationPhase::idle());
}

// History -------------------------------------------------------------------------------------

void TranslatorModel::scheduleHistory(const HistoryRecord& record) {
    m_historyTask.reset();
    m_pendingRecord = record;
    m_historyTask = m_services.clock->after(historyDelay, [this] { commitPendingHistory(); });
}

void TranslatorModel::commitPendingHistory() {
    m_historyTask.reset();
    if (!m_pendingRecord)
        return;
    const HistoryRecord pending = *m_pendingRecord;
    m_pendingRecord.reset();
    record(pending);
}

void TranslatorModel::record(const HistoryRecord& record) {
    m_services.settings->recordSuccessfulTranslation();
    if (!m_services.settings->saveHistory() || !m_history)
        return;
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    // The file keeps whole seconds; so does the list on screen.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    entry.date = now.addMSecs(-now.time().msec());
    entry.source = record.source;
    entry.result = record.result;
    entry.from = record.from;
    entry.to = record.to;
    m_history->store().add(entry);
    m_history->refresh();
}

// Published fields ----------------------------------------------------------------------------

void TranslatorModel::setVia(const QString& via) {
    if (via == m_via)
        return;
    m_via = via;
    emit viaChanged();
}

void TranslatorModel::setResult(const QString& result) {
    if (result == m_result)
        return;
    m_result = result;
    emit resultChanged();
}

void TranslatorModel::setPhase(const TranslationPhase& phase) {
    if (phase == m_phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void TranslatorModel::setSourceCode(const QString& code) {
    if (code == m_sourceCode)
        return;
    m_sourceCode = code;
    emit sourceCodeChanged();
}

void TranslatorModel::setTargetCode(const QString& code) {
    if (code == m_targetCode)
        return;
    m_targetCode = code;
    emit targetCodeChanged();
}

void TranslatorModel::setDetectedCode(const std::optional<QString>& code) {
    if (code == m_detectedCode)
        return;
    m_detectedCode = code;
    emit detectedCodeChanged();
}

void TranslatorModel::setEntries(const QList<DictEntry>& entries) {
    if (entries == m_entries)
        return;
    m_entries = entries;
    emit entriesChanged();
}

void TranslatorModel::setTruncated(bool truncated) {
    if (truncated == m_truncated)
        return;
    m_truncated = truncated;
    emit truncatedChanged();
}

void TranslatorModel::setPendingDownload(const std::optional<DownloadRequest>& request) {
    if (request == m_pendingDownload)
        return;
    m_pendingDownload = request;
    emit pendingDownloadChanged();
}

void TranslatorModel::raiseFocusToken() {
    ++m_focusToken;
    emit focusTokenChanged();
}
