#include "core/PasteboardTypes.h"

#include <gtest/gtest.h>

namespace {

struct PromisedCase {
    const char* type;
    bool promised;
};

void PrintTo(const PromisedCase& c, std::ostream* os) {
    *os << '"' << c.type << '"';
}

class PasteboardPromised : public testing::TestWithParam<PromisedCase> {};

TEST_P(PasteboardPromised, ExactNamesAndPrefixesCaseSensitive) {
    const PromisedCase c = GetParam();
    EXPECT_EQ(PasteboardTypes::isPromised(QString::fromUtf8(c.type)), c.promised);
}

INSTANTIATE_TEST_SUITE_P(
    Types, PasteboardPromised,
    testing::Values(PromisedCase{"NSFilesPromisePboardType", true},
                    PromisedCase{"Apple files promise pasteboard type", true},
                    PromisedCase{"NSFilesPromisePboardType2", false},
                    PromisedCase{"nsfilespromisepboardtype", false},
                    PromisedCase{"com.apple.NSFilePromise", true},
                    PromisedCase{"com.apple.NSFilePromiseItemMetaData", true},
                    PromisedCase{"com.apple.nsfilepromiseitemmetadata", false},
                    PromisedCase{"com.apple.pasteboard.promised-file-url", true},
                    PromisedCase{"x.com.apple.pasteboard.promised", false},
                    PromisedCase{"text/plain;charset=utf-8", false}, PromisedCase{"", false}));

struct ConcealedCase {
    const char* name;
    const char* target;
    QByteArray value;
    bool concealed;
};

void PrintTo(const ConcealedCase& c, std::ostream* os) {
    *os << c.name;
}

class PasteboardConcealed : public testing::TestWithParam<ConcealedCase> {};

TEST_P(PasteboardConcealed, PasswordManagerHint) {
    const ConcealedCase& c = GetParam();
    EXPECT_EQ(PasteboardTypes::isConcealed(QString::fromUtf8(c.target), c.value), c.concealed);
}

constexpr const char* hint = "x-kde-passwordManagerHint";

INSTANTIATE_TEST_SUITE_P(
    Offers, PasteboardConcealed,
    testing::Values(ConcealedCase{"Secret", hint, "secret", true},
                    ConcealedCase{"TrailingNewline", hint, "secret\n", true},
                    ConcealedCase{"TrailingNul", hint, QByteArray("secret\0", 7), true},
                    ConcealedCase{"TrailingMixed", hint, QByteArray("secret \t\r\n\0\0", 12), true},
                    ConcealedCase{"LeadingSpace", hint, " secret", false},
                    ConcealedCase{"NulInside", hint, QByteArray("secret\0x", 8), false},
                    ConcealedCase{"OtherCase", hint, "Secret", false},
                    ConcealedCase{"Longer", hint, "secrets", false},
                    ConcealedCase{"Empty", hint, "", false},
                    ConcealedCase{"OnlyNuls", hint, QByteArray("\0\0", 2), false},
                    ConcealedCase{"TargetOtherCase", "x-kde-passwordmanagerhint", "secret", false},
                    ConcealedCase{"OtherTarget", "text/plain", "secret", false}),
    [](const testing::TestParamInfo<ConcealedCase>& info) { return std::string(info.param.name); });

} // namespace
