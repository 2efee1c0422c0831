#pragma once

// Stand-ins for lt-proc in tests: programs that die, hang, or answer only when let through.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace LexiconFakes {

inline QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/bash\n" + body);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// Exits at once, as a crashing analyser would.
inline QString exiting(const QTemporaryDir& dir) {
    return writeScript(dir, QStringLiteral("exiting"), "exit 3\n");
}

// Reads requests and never answers, its output kept open.
inline QString hanging(const QTemporaryDir& dir) {
    return writeScript(dir, QStringLiteral("hanging"), "exec 3>&1\nexec cat >/dev/null\n");
}

// Answers each request once the file "gate" beside it exists: words starting with "k" are
// known, others unknown.
inline QString gated(const QTemporaryDir& dir) {
    return writeScript(dir, QStringLiteral("gated"), R"(gate="$(dirname "$0")/gate"
while IFS= read -r -d '' request; do
    while [ ! -e "$gate" ]; do sleep 0.01; done
    word="${request% }"
    if [[ $word == k* ]]; then
        printf '^%s/%s<n>$ \0' "$word" "$word"
    else
        printf '^%s/*%s$ \0' "$word" "$word"
    fi
done
)");
}

inline void openGate(const QTemporaryDir& dir) {
    QFile gate(dir.filePath(QStringLiteral("gate")));
    gate.open(QIODevice::WriteOnly);
}

} // namespace LexiconFakes
