#include "tests/fuzz/FuzzInput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzInput {

namespace {

const QDir& folder() {
    static QTemporaryDir dir;
    static const QDir path(dir.path());
    if (!dir.isValid())
        std::abort();
    return path;
}

} // namespace

QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

QList<QByteArray> parts(QByteArrayView input, qsizetype count) {
    static constexpr QByteArrayView separator("\n#FUZZ-PART#\n");
    QList<QByteArray> result;
    while (result.size() + 1 < count) {
        const qsizetype at = input.indexOf(separator);
        if (at < 0)
            break;
        result.append(input.first(at).toByteArray());
        input = input.sliced(at + separator.size());
    }
    result.append(input.toByteArray());
    while (result.size() < count)
        result.append(QByteArray());
    return result;
}

QString rawUtf16(QByteArrayView input) {
    QString text(input.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(quint8(input[2 * i]) | quint8(input[2 * i + 1]) << 8));
    return text;
}

QString writeFile(const QString& name, QByteArrayView contents) {
    const QString path = folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(contents.data(), contents.size()) != contents.size())
        std::abort();
    return path;
}

void removeFile(const QString& name) {
    QFile::remove(folder().filePath(name));
}

void silenceQtMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

quint32 takeNumber(QByteArrayView& input, int bytes) {
    quint32 value = 0;
    if (input.size() < bytes) {
        input = {};
        return 0;
    }
    for (int i = 0; i < bytes; ++i)
        value |= quint32(quint8(input[i])) << (8 * i);
    input = input.sliced(bytes);
    return value;
}

} // namespace FuzzInput
