#include "tests/fuzz/FuzzInput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzInput {

namespace {

QDir folder() {
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    return QDir(dir.path());
}

} // namespace

QList<QByteArray> parts(QByteArrayView input, qsizetype count) {
    static constexpr QByteArrayView separator("\n#FUZZ-PART#\n");
    QList<QByteArray> result;
    for (qsizetype at; result.size() + 1 < count && (at = input.indexOf(separator)) >= 0;
         input = input.sliced(at + separator.size()))
        result.append(input.first(at).toByteArray());
    result.append(input.toByteArray());
    result.resize(count);
    return result;
}

QString rawUtf16(QByteArrayView input) {
    QString text(input.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(quint8(input[2 * i]) | quint8(input[2 * i + 1]) << 8));
    return text;
}

quint32 takeNumber(QByteArrayView& input, int bytes) {
    quint32 value = 0;
    for (int i = 0; i < bytes && input.size() >= bytes; ++i)
        value |= quint32(quint8(input[i])) << (8 * i);
    input = input.size() >= bytes ? input.sliced(bytes) : QByteArrayView();
    return value;
}

bool gzipped(QByteArrayView contents) {
    return contents.startsWith("\x1f\x8b");
}

void clearFolder() {
    QDir dir = folder();
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
}

QString writeFile(const QString& name, QByteArrayView contents) {
    QFile file(folder().filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(contents.data(), contents.size()) != contents.size())
        std::abort();
    return file.fileName();
}

void silenceQtMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

} // namespace FuzzInput
