// A dictd database: the .index (headword, base64 offset and length) and its .dict or .dict.dz,
// looked up as the dictionary service and the lexicon of headwords do.
// Input: index, data and words to look up, as parts.
#include "platform/linux/dictionaries/DictdDictionary.h"
#include "platform/linux/dictionaries/DictionaryHeadwords.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(DictdIndex) {
    const QList<QByteArray> parts = FuzzInput::parts(input, 3);
    const QByteArray& index = parts[0];
    const QByteArray& dict = parts[1];
    const bool gzip = FuzzInput::gzipped(dict);
    FuzzInput::clearFolder();
    const QString indexPath = FuzzInput::writeFile(QStringLiteral("db.index"), index);
    const QString dataPath =
        FuzzInput::writeFile(gzip ? QStringLiteral("db.dict.dz") : QStringLiteral("db.dict"), dict);

    const DictdDictionary dictionary(QStringLiteral("db"), indexPath, dataPath, 1024 * 1024);
    FUZZ_CHECK(!dictionary.name().isEmpty());
    QStringList words = QString::fromUtf8(parts[2]).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The index's own headwords, as far as the first lines go.
    for (const QByteArray& line : index.split('\n').mid(0, 16))
        words.append(QString::fromUtf8(line.left(line.indexOf('\t'))));
    for (const QString& word : std::as_const(words)) {
        if (const std::optional<QString> definition = dictionary.define(word))
            FUZZ_CHECK(!definition->isEmpty());
    }
    for (const QString& word : DictionaryHeadwords::readDictdIndex(indexPath))
        FUZZ_CHECK(!word.isEmpty());
    for (const QByteArray& line : index.split('\n').mid(0, 16)) {
        const QList<QByteArray> fields = line.split('\t');
        for (const QByteArray& field : fields.mid(1, 2)) {
            if (const std::optional<quint64> number = DictdDictionary::decodeNumber(field))
                FUZZ_CHECK(field.size() <= 10 && *number < (quint64(1) << 60));
        }
    }
}
