#pragma once

#include "app/capture/CaptureResult.h"
#include "app/dictionary/DictEntry.h"
#include "app/dictionary/DictionaryService.h"
#include "app/languages/DownloadRequest.h"
#include "app/languages/LanguageService.h"
#include "app/languages/TranslationEngine.h"
#include "app/settings/AppSettings.h"
#include "app/system/SpeechService.h"
#include "app/translation/DelayClock.h"
#include "app/translation/HistoryModel.h"
#include "app/translation/Notice.h"
#include "app/translation/TranslationPhase.h"
#include "app/translation/TranslationRun.h"
#include "core/LangChoice.h"
#include "core/LanguageRecognizer.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>

// The translation behind the translator window: input, language choices and output, with the
// runs that connect them. Each change of the input or of a language choice starts a new run
// and cancels the one before; a cancelled run publishes nothing after it was cancelled.
// Lives on the main thread; the engine and the dictionaries work elsewhere and answer here.
//
// Optional fields are published to QML as variants that are null when absent.
class TranslatorModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString input READ input WRITE setInput NOTIFY inputChanged)
    Q_PROPERTY(QVariant notice READ noticeValue WRITE setNoticeValue NOTIFY noticeChanged)
    Q_PROPERTY(QString noticeText READ noticeText NOTIFY noticeChanged)
    Q_PROPERTY(LangChoice fromChoice READ fromChoice WRITE setFromChoice NOTIFY fromChoiceChanged)
    Q_PROPERTY(LangChoice toChoice READ toChoice WRITE setToChoice NOTIFY toChoiceChanged)
    Q_PROPERTY(QString result READ result NOTIFY resultChanged)
    // "via Spanish" while the result came through a third language; empty otherwise.
    Q_PROPERTY(QString via READ via NOTIFY viaChanged)
    Q_PROPERTY(TranslationPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString sourceCode READ sourceCode NOTIFY sourceCodeChanged)
    Q_PROPERTY(QString targetCode READ targetCode NOTIFY targetCodeChanged)
    Q_PROPERTY(QVariant detectedCode READ detectedCodeValue NOTIFY detectedCodeChanged)
    Q_PROPERTY(QList<DictEntry> entries READ entries NOTIFY entriesChanged)
    Q_PROPERTY(bool truncated READ truncated NOTIFY truncatedChanged)
    Q_PROPERTY(QVariant downloadRequest READ downloadRequestValue WRITE setDownloadRequestValue
                   NOTIFY downloadRequestChanged)
    Q_PROPERTY(int focusToken READ focusToken NOTIFY focusTokenChanged)
    Q_PROPERTY(QVariant pendingDownload READ pendingDownloadValue NOTIFY pendingDownloadChanged)

public:
    // User-perceived characters.
    static constexpr qsizetype inputCap = 40000;
    static constexpr std::chrono::milliseconds typingDelay{350};
    static constexpr std::chrono::milliseconds historyDelay{2000};

    // What the model works with. The pointers must outlive the model.
    struct Services {
        AppSettings* settings = nullptr;
        LanguageService* languages = nullptr;
        TranslationEngine* engine = nullptr;
        LanguageRecognizerFactory recognizers;
        // The shared services when absent.
        DictionaryService* dictionaries = nullptr;
        SpeechService* speech = nullptr;
        std::shared_ptr<DelayClock> clock;
    };

    explicit TranslatorModel(Services services, QObject* parent = nullptr);
    ~TranslatorModel() override;

    // Makes the model's value types known to the meta-type system (and so to QML).
    static void registerTypes();

    QString input() const { return m_input; }
    std::optional<Notice> notice() const { return m_notice; }
    // The current notice's sentence; empty without one.
    QString noticeText() const { return m_notice ? textOf(*m_notice) : QString(); }
    static QString textOf(Notice notice);
    LangChoice fromChoice() const { return m_fromChoice; }
    LangChoice toChoice() const { return m_toChoice; }
    QString result() const { return m_result; }
    QString via() const { return m_via; }
    TranslationPhase phase() const { return m_phase; }
    QString sourceCode() const { return m_sourceCode; }
    QString targetCode() const { return m_targetCode; }
    std::optional<QString> detectedCode() const { return m_detectedCode; }
    QList<DictEntry> entries() const { return m_entries; }
    bool truncated() const { return m_truncated; }
    std::optional<DownloadRequest> downloadRequest() const { return m_downloadRequest; }
    int focusToken() const { return m_focusToken; }
    std::optional<DownloadRequest> pendingDownload() const { return m_pendingDownload; }

    HistoryModel* history() const { return m_history; }
    // No history is written while there is none.
    void setHistory(HistoryModel* history) { m_history = history; }

    // Whether a finished translation waits for its history delay.
    bool hasPendingHistory() const { return m_pendingRecord.has_value(); }

    // The assignable fields; each assignment reacts as the window expects.
    void setInput(const QString& input);
    void setNotice(std::optional<Notice> notice);
    void setFromChoice(const LangChoice& choice);
    void setToChoice(const LangChoice& choice);
    void setDownloadRequest(std::optional<DownloadRequest> request);

    // Replaces the input and translates at once, even when the text is the same.
    Q_INVOKABLE void setText(const QString& text);
    // Shows what a capture of the selection produced: its text to translate, or the notice
    // that says why there is none or that the clipboard was lost.
    void showCaptureResult(const CaptureResult& result);
    // Empties input and output and asks for focus.
    Q_INVOKABLE void clear();
    // Asks the source pane to take the keyboard focus.
    void requestFocus() { raiseFocusToken(); }
    // Exchanges the languages of the last run and translates the result back.
    Q_INVOKABLE void swapLanguages();
    // Puts the result on the clipboard as plain text.
    Q_INVOKABLE void copyResult();
    // Reads the result aloud, or stops reading.
    Q_INVOKABLE void speak();
    // A download started by the screen has ended: look the pair up again and translate.
    Q_INVOKABLE void retryAfterDownload();
    // Records the translation waiting for its history delay now (the command line cannot
    // wait for it). Does nothing when none waits.
    void commitPendingHistory();

signals:
    void inputChanged();
    void noticeChanged();
    void fromChoiceChanged();
    void toChoiceChanged();
    void resultChanged();
    void viaChanged();
    void phaseChanged();
    void sourceCodeChanged();
    void targetCodeChanged();
    void detectedCodeChanged();
    void entriesChanged();
    void truncatedChanged();
    void downloadRequestChanged();
    void focusTokenChanged();
    void pendingDownloadChanged();

private:
    struct HistoryRecord {
        QString source;
        QString result;
        QString from;
        QString to;
    };

    QVariant noticeValue() const;
    void setNoticeValue(const QVariant& value);
    QVariant detectedCodeValue() const;
    QVariant downloadRequestValue() const;
    void setDownloadRequestValue(const QVariant& value);
    QVariant pendingDownloadValue() const;

    LanguagePrefs storedLanguages() const;
    void redetectLanguage();
    void schedule(bool immediately);
    void run(const QString& text);
    void lookUp();
    void conclude(const TranslationRun::Outcome& outcome, quint64 generation);
    void publishTranslation(const QString& translation, const QList<DictEntry>& found,
                            const QString& via);
    void cancelTask();
    void clearOutput(const TranslationPhase& phase);
    void reset();
    void scheduleHistory(const HistoryRecord& record);
    void record(const HistoryRecord& record);

    void setResult(const QString& result);
    void setVia(const QString& via);
    void setPhase(const TranslationPhase& phase);
    void setSourceCode(const QString& code);
    void setTargetCode(const QString& code);
    void setDetectedCode(const std::optional<QString>& code);
    void setEntries(const QList<DictEntry>& entries);
    void setTruncated(bool truncated);
    void setPendingDownload(const std::optional<DownloadRequest>& request);
    void raiseFocusToken();

    Services m_services;

    QString m_input;
    std::optional<Notice> m_notice;
    LangChoice m_fromChoice = LangChoice::automatic();
    LangChoice m_toChoice = LangChoice::automatic();
    QString m_result;
    QString m_via;
    TranslationPhase m_phase;
    QString m_sourceCode;
    QString m_targetCode;
    std::optional<QString> m_detectedCode;
    QList<DictEntry> m_entries;
    bool m_truncated = false;
    std::optional<DownloadRequest> m_downloadRequest;
    int m_focusToken = 0;
    QPointer<HistoryModel> m_history;
    std::optional<DownloadRequest> m_pendingDownload;

    // The current task: every schedule starts a new generation, and anything that answers
    // for an older one is dropped.
    quint64 m_generation = 0;
    std::unique_ptr<DelayClock::Pending> m_typingTask;
    QPointer<TranslationRun> m_run;
    TranslationRun::Decision m_decision;
    QFuture<QList<DictEntry>> m_lookup;
    bool m_lookupStarted = false;

    std::unique_ptr<DelayClock::Pending> m_historyTask;
    std::optional<HistoryRecord> m_pendingRecord;
};
