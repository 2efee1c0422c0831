#pragma once

#include "app/shell/PairDownload.h"

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>

#include <memory>

class AppModel;

// The onboarding screen's own state: whether the chosen pair works offline, its download, and
// the ways out of the screen. The step itself lives in the app model. Main thread only.
class OnboardingState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppModel* app READ app WRITE setApp NOTIFY appChanged)
    // "installed", "supported", "unsupported"; empty while the pair is being checked.
    Q_PROPERTY(QString pairStatus READ pairStatus NOTIFY pairStatusChanged)
    // "via Spanish" when the pair goes through a third language; else empty.
    Q_PROPERTY(QString pairVia READ pairVia NOTIFY pairStatusChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY stepChanged)
    Q_PROPERTY(PairDownload* download READ download NOTIFY appChanged)

public:
    static constexpr int stepCount = 4;

    explicit OnboardingState(QObject* parent = nullptr);
    ~OnboardingState() override;

    AppModel* app() const { return m_app; }
    void setApp(AppModel* app);
    QString pairStatus() const { return m_pairStatus; }
    QString pairVia() const { return m_pairVia; }
    QString progressText() const;
    PairDownload* download() const { return m_download.get(); }

    // Checks the pair again; an answer for a pair that is no longer chosen is dropped.
    Q_INVOKABLE void refreshPair();
    Q_INVOKABLE void startDownload();
    Q_INVOKABLE void goTo(int step);
    // "Skip setup" and "Done": onboarding is over, the translator opens with the source focused.
    Q_INVOKABLE void finish();
    // "Change…": onboarding counts as done; the shortcuts settings open.
    Q_INVOKABLE void changeShortcut();

signals:
    void appChanged();
    void pairStatusChanged();
    void stepChanged();

private:
    void setPairStatus(const QString& status, const QString& via = {});

    QPointer<AppModel> m_app;
    QString m_pairStatus;
    QString m_pairVia;
    // Counts the checks, so that only the latest one's answer is shown.
    int m_generation = 0;
    std::unique_ptr<PairDownload> m_download;
};
