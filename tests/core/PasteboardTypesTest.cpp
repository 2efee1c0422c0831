#include "core/PasteboardTypes.h"

#include <gtest/gtest.h>

namespace {

TEST(PasteboardTypes, PromisedByExactNamesAndPrefixesCaseSensitive) {
    const std::pair<const char*, bool> cases[] = {{"NSFilesPromisePboardType", true},
                                                  {"NSFilesPromisePboardType2", false},
                                                  {"nsfilespromisepboardtype", false},
                                                  {"com.apple.NSFilePromiseItemMetaData", true},
                                                  {"com.apple.pasteboard.promised-file-url", true},
                                                  {"x.com.apple.pasteboard.promised", false},
                                                  {"text/plain;charset=utf-8", false}};
    for (const auto& [type, promised] : cases)
        EXPECT_EQ(PasteboardTypes::isPromised(QString::fromUtf8(type)), promised)
            << '"' << type << '"';
}

TEST(PasteboardTypes, ConcealedByThePasswordManagerHint) {
    const char* const hint = "x-kde-passwordManagerHint";
    const struct {
        const char* name;
        const char* target;
        QByteArray value;
        bool concealed;
    } cases[] = {
        // clang-format off
        {"TrailingMixed", hint, QByteArray("secret \t\r\n\0\0", 12), true},
        {"LeadingSpace", hint, " secret", false},
        {"NulInside", hint, QByteArray("secret\0x", 8), false},
        {"Longer", hint, "secrets", false},
        {"OnlyNuls", hint, QByteArray("\0\0", 2), false},
        {"OtherTarget", "text/plain", "secret", false},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasteboardTypes::isConcealed(QString::fromUtf8(c.target), c.value), c.concealed)
            << c.name;
}

} // namespace
