#pragma once

#include "app/shell/PairDownload.h"
#include "app/shell/StatusRow.h"
#include "app/translation/DelayClock.h"

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>

#include <memory>

class AppModel;
struct LangChoice;
class TranslatorModel;

// What the translator screen derives from the models and the little it keeps itself: the
// language menus' titles, the status row, the result's placeholder, the copy confirmation and
// the download a status row started. Main thread only.
class TranslatorViewState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppModel* app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(QString sourceTitle READ sourceTitle NOTIFY changed)
    Q_PROPERTY(bool sourceDetected READ sourceDetected NOTIFY changed)
    Q_PROPERTY(QString targetTitle READ targetTitle NOTIFY changed)
    Q_PROPERTY(bool targetDetected READ targetDetected NOTIFY changed)
    Q_PROPERTY(QString detectedName READ detectedName NOTIFY changed)
    Q_PROPERTY(bool canSwap READ canSwap NOTIFY changed)
    Q_PROPERTY(QString resultPlaceholder READ resultPlaceholder NOTIFY changed)
    // The status row: its sentence, colour ("red", "orange", "blue"; empty without a row),
    // icon, and whether it offers the download of the pair.
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    Q_PROPERTY(QString statusTone READ statusTone NOTIFY changed)
    Q_PROPERTY(QString statusIcon READ statusIcon NOTIFY changed)
    Q_PROPERTY(bool offersDownload READ offersDownload NOTIFY changed)
    Q_PROPERTY(bool copied READ copied NOTIFY copiedChanged)
    Q_PROPERTY(PairDownload* download READ download NOTIFY appChanged)

public:
    static constexpr std::chrono::milliseconds copiedFor{1400};

    explicit TranslatorViewState(QObject* parent = nullptr);
    ~TranslatorViewState() override;

    AppModel* app() const { return m_app; }
    void setApp(AppModel* app);

    // A menu's title: the fixed language's name, or for Auto the language a run decided on,
    // with `…Detected` saying that an "Auto" caption goes with it.
    QString sourceTitle() const;
    bool sourceDetected() const;
    QString targetTitle() const;
    bool targetDetected() const;
    // The detected language's name while the source is automatic; empty otherwise.
    QString detectedName() const;
    bool canSwap() const;
    QString resultPlaceholder() const;
    StatusRow status() const;
    QString statusText() const { return status().text; }
    QString statusTone() const { return status().tone(); }
    QString statusIcon() const { return status().icon(); }
    bool offersDownload() const { return status().kind == StatusRow::Kind::needsDownload; }
    bool copied() const { return m_copied; }
    PairDownload* download() const { return m_download.get(); }

    // A language menu's choice; an empty code is Auto.
    Q_INVOKABLE void chooseSource(const QString& code);
    Q_INVOKABLE void chooseTarget(const QString& code);
    // Copies the result and shows "Copied" until 1.4 s after the last press.
    Q_INVOKABLE void copy();
    // The status row's button: asks for the pair the model found missing.
    Q_INVOKABLE void startDownload();
    // Translates a history entry's source again, from and to whatever suits it.
    Q_INVOKABLE void pickHistory(const QString& source);

signals:
    void appChanged();
    void changed();
    void copiedChanged();

private:
    TranslatorModel* model() const;
    QString name(const QString& code) const;
    bool autoTitled(bool automatic, const QString& code) const;
    QString title(const LangChoice& choice, const QString& decided) const;
    void takeDownloadRequest();

    QPointer<AppModel> m_app;
    std::unique_ptr<PairDownload> m_download;
    bool m_copied = false;
    int m_copyToken = 0;
    std::unique_ptr<DelayClock::Pending> m_copyReset;
};
