#include "platform/linux/apertium/ApertiumModeCommand.h"

#include <QFileInfo>

namespace {

bool isDroppedStage(const QStringList& argv) {
    const QString program = QFileInfo(argv.constFirst()).fileName();
    return program == u"apertium-wblank-attach" || program == u"apertium-wblank-detach";
}

// Characters that would need a real shell: redirections, lists, substitutions, globs.
bool needsShell(QChar c) {
    return QStringView(u"<>;&`()*?{}#").contains(c);
}

} // namespace

namespace ApertiumModeCommand {

std::optional<QList<QStringList>> parse(const QString& command) {
    QList<QStringList> stages;
    QStringList argv;
    QString word;
    bool inWord = false;

    const auto endWord = [&] {
        if (inWord) {
            argv.append(word);
        }
        word.clear();
        inWord = false;
    };
    const auto endStage = [&] {
        endWord();
        if (argv.isEmpty()) {
            return false;
        }
        if (!isDroppedStage(argv)) {
            stages.append(argv);
        }
        argv.clear();
        return true;
    };

    const qsizetype n = command.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = command.at(i);
        if (c == u' ' || c == u'\t' || c == u'\n') {
            endWord();
        } else if (c == u'|') {
            if (!endStage()) {
                return std::nullopt;
            }
        } else if (c == u'\'') {
            const qsizetype close = command.indexOf(u'\'', i + 1);
            if (close < 0) {
                return std::nullopt;
            }
            word += QStringView(command).mid(i + 1, close - i - 1);
            inWord = true;
            i = close;
        } else if (c == u'"') {
            // Only backslash escapes are honoured inside double quotes; `$` would expand.
            qsizetype j = i + 1;
            for (; j < n && command.at(j) != u'"'; ++j) {
                const QChar d = command.at(j);
                if (d == u'$' || d == u'`') {
                    return std::nullopt;
                }
                if (d == u'\\' && j + 1 < n && QStringView(u"\\\"$`").contains(command.at(j + 1))) {
                    ++j;
                }
                word += command.at(j);
            }
            if (j >= n) {
                return std::nullopt;
            }
            inWord = true;
            i = j;
        } else if (c == u'\\') {
            if (i + 1 >= n) {
                return std::nullopt;
            }
            word += command.at(++i);
            inWord = true;
        } else if (c == u'$') {
            // `$1` and `$2` are the only parameters a mode uses; anything else needs a shell.
            if (i + 1 >= n || (command.at(i + 1) != u'1' && command.at(i + 1) != u'2')) {
                return std::nullopt;
            }
            if (command.at(++i) == u'1') {
                word += u"-n";
                inWord = true;
            }
        } else if (needsShell(c)) {
            return std::nullopt;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!endStage() || stages.isEmpty()) {
        return std::nullopt;
    }
    return stages;
}

} // namespace ApertiumModeCommand
