#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Child processes started one after another without waiting, so that they run at once.
class ProcessGroup {
public:
    void start(const QString& program, const QStringList& arguments) {
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(program, arguments);
    }

    // Waits for every child; true when each started and exited with 0.
    bool allSucceeded() {
        bool ok = true;
        for (const auto& process : m_processes) {
            ok = process->waitForStarted(-1) && process->waitForFinished(-1)
                 && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0 && ok;
        }
        return ok;
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
