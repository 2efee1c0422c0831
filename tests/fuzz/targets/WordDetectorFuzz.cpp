// Word detection on captured text: whether it holds words, and its one word.
#include "core/CharacterSets.h"
#include "core/WordDetector.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(WordDetector) {
    for (const QString& text : {QString::fromUtf8(input), FuzzInput::rawUtf16(input)}) {
        WordDetector::hasWords(text);
        const std::optional<QString> word = WordDetector::singleWord(text);
        if (!word)
            continue;
        FUZZ_CHECK(!word->isEmpty());
        FUZZ_CHECK(text.contains(*word));
        FUZZ_CHECK(!CharacterSets::containsAny(*word, CharacterSets::whitespacesAndNewlines));
        FUZZ_CHECK(CharacterSets::containsAny(*word, CharacterSets::letters));
        // Cleaning is done once and for all.
        FUZZ_CHECK(WordDetector::singleWord(*word) == word);
        for (const QString& run : CharacterSets::split(text, CharacterSets::isWhiteSpace))
            FUZZ_CHECK(!run.isEmpty());
    }
}
