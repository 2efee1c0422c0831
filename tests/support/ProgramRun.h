#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

// Runs a program with `input` on standard input and returns its standard output, or nothing
// when it is missing, fails or takes longer than `timeoutMs`.
inline std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments,
                                            const QByteArray& input, int timeoutMs = 60000) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted())
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

inline bool hasProgram(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}
