// What lt-proc answers to the words asked about: NUL-ended answers in its stream format.
// Input: the answer bytes; each NUL-ended piece is one answer, and also a word to ask about.
#include "platform/linux/detection/LtProcAnalyser.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(LtProcAnswer) {
    for (const QByteArray& answer : input.toByteArray().split('\0')) {
        const QString text = QString::fromUtf8(answer);
        LtProcAnalyser::answerKnows(text);
        // Text without letters has nothing to analyse.
        if (!LtProcAnalyser::hasLetter(text))
            FUZZ_CHECK(LtProcAnalyser::answerKnows(text));
        // The request for a word is one NUL-ended line lt-proc cannot misread.
        const QByteArray request = LtProcAnalyser::request(text);
        FUZZ_CHECK(request.endsWith(QByteArray(" \0", 2)));
        FUZZ_CHECK(request.count('\0') == 1);
        const QString escaped = QString::fromUtf8(request.chopped(2));
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == u'\\') {
                ++i;
                continue;
            }
            FUZZ_CHECK(!QStringView(u"[]^$/<>@{}").contains(escaped[i]));
        }
    }
}
