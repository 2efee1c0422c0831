// Apertium's stream format: the text deformatted for the pipeline, and the pipeline's answer
// reformatted into text.
#include "platform/linux/apertium/ApertiumFormat.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(ApertiumStream) {
    for (const QString& text : {QString::fromUtf8(input), FuzzInput::rawUtf16(input)}) {
        // An answer as the pipeline may send it.
        ApertiumFormat::reformat(text);
        const QString stream = ApertiumFormat::deformat(text);
        // A NUL would end the request.
        FUZZ_CHECK(!stream.contains(QChar(u'\0')));
        // Text no stage changes comes back as it was, NULs as spaces.
        QString expected = text;
        expected.replace(QChar(u'\0'), QLatin1Char(' '));
        FUZZ_CHECK(ApertiumFormat::reformat(stream) == expected);
    }
}
