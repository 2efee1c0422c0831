// A StarDict dictionary: .ifo, .idx (or .idx.gz), .dict (or .dict.dz) and .syn, looked up as
// the dictionary service and the lexicon of headwords do.
// Input: ifo, idx, dict, syn and words to look up, as parts; an empty syn part means no file.
#include "platform/linux/dictionaries/DictionaryHeadwords.h"
#include "platform/linux/dictionaries/StarDictDictionary.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(StarDict) {
    const QList<QByteArray> parts = FuzzInput::parts(input, 5);
    const auto gzip = FuzzInput::gzipped;
    FuzzInput::clearFolder();
    const QString ifoPath = FuzzInput::writeFile(QStringLiteral("sd.ifo"), parts[0]);
    FuzzInput::writeFile(gzip(parts[1]) ? QStringLiteral("sd.idx.gz") : QStringLiteral("sd.idx"),
                         parts[1]);
    FuzzInput::writeFile(gzip(parts[2]) ? QStringLiteral("sd.dict.dz") : QStringLiteral("sd.dict"),
                         parts[2]);
    if (!parts[3].isEmpty())
        FuzzInput::writeFile(QStringLiteral("sd.syn"), parts[3]);

    for (const QString& word : DictionaryHeadwords::readStarDictIndex(ifoPath))
        FUZZ_CHECK(!word.isEmpty());
    for (const QByteArray& types :
         {QByteArray(), QByteArray("m"), QByteArray("tmW"), QByteArray("Wh")})
        StarDictDictionary::entryText(parts[2], types);

    const std::shared_ptr<StarDictDictionary> dictionary =
        StarDictDictionary::fromIfo(ifoPath, 1024 * 1024);
    if (!dictionary)
        return;
    FUZZ_CHECK(!dictionary->name().isEmpty());
    QStringList words = QString::fromUtf8(parts[4]).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The first headwords of the index and of the synonyms.
    for (const QByteArray& bytes : {parts[1], parts[3]}) {
        for (const QByteArray& word : bytes.split('\0').mid(0, 8))
            words.append(QString::fromUtf8(word.right(64)));
    }
    for (const QString& word : std::as_const(words)) {
        if (const std::optional<QString> definition = dictionary->define(word))
            FUZZ_CHECK(!definition->isEmpty());
    }
}
