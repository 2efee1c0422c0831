// Apertium mode files: the command a mode runs, and the languages a mode file's name gives.
// Input: the command; its first line also stands for a mode's name.
#include "platform/linux/apertium/ApertiumModeCommand.h"
#include "platform/linux/apertium/ApertiumModes.h"
#include "tests/fuzz/FuzzTarget.h"

#include <QFileInfo>

VERDOLIN_FUZZ_TARGET(ApertiumModeFile) {
    const QString command = QString::fromLocal8Bit(input);
    if (const std::optional<QList<QStringList>> stages = ApertiumModeCommand::parse(command)) {
        FUZZ_CHECK(!stages->isEmpty());
        for (const QStringList& argv : *stages) {
            FUZZ_CHECK(!argv.isEmpty());
            const QString program = QFileInfo(argv.constFirst()).fileName();
            FUZZ_CHECK(program != u"apertium-wblank-attach"
                       && program != u"apertium-wblank-detach");
        }
    }
    // The name sides go through the uncached mapping: the cache would grow with every input.
    const QString name = command.section(QLatin1Char('\n'), 0, 0).left(64);
    for (const QString& side : name.split(QLatin1Char('-'))) {
        const std::optional<EngineLanguage> language = ApertiumModes::mapLanguage(side);
        if (!language)
            continue;
        FUZZ_CHECK(language->engineCode == side);
        FUZZ_CHECK(!language->languageCode.isEmpty());
        for (const QString& tag :
             {language->identifier, language->minimalIdentifier, language->maximalIdentifier}) {
            FUZZ_CHECK(tag.startsWith(language->languageCode));
            for (const QChar c : tag)
                FUZZ_CHECK((c.isLetterOrNumber() && c.unicode() < 128) || c == u'-');
        }
    }
}
