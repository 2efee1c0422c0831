#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// SIGTERM and SIGINT as a Qt signal on this object's thread, so that the application quits
// through its event loop (saving what it must) instead of dying inside the handler.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // Once per process: false, and logged, when the handlers cannot be set up or already are.
    // They stay installed after this object is gone; the signals are then just dropped.
    bool install();

signals:
    void quitRequested(int signalNumber);

private:
    void drain();

    int m_readFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
