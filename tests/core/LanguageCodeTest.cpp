#include "core/LanguageCode.h"

#include <gtest/gtest.h>

namespace {

struct NormalizeCase {
    const char* input;
    const char* expected;
};

class LanguageCodeNormalize : public testing::TestWithParam<NormalizeCase> {};

TEST_P(LanguageCodeNormalize, ReducesToBaseCode) {
    const NormalizeCase c = GetParam();
    EXPECT_EQ(LanguageCode::normalize(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected))
        << "input: " << c.input;
}

INSTANTIATE_TEST_SUITE_P(Identifiers, LanguageCodeNormalize,
                         testing::Values(NormalizeCase{"en-US", "en"}, NormalizeCase{"en_GB", "en"},
                                         NormalizeCase{"EN", "en"}, NormalizeCase{"zh-Hans", "zh"},
                                         NormalizeCase{"zh-Hant-TW", "zh"},
                                         NormalizeCase{"zh_CN", "zh"}, NormalizeCase{"pt-BR", "pt"},
                                         NormalizeCase{"no", "nb"}, NormalizeCase{"no-NO", "nb"},
                                         NormalizeCase{"NO", "nb"}, NormalizeCase{"nb-NO", "nb"},
                                         NormalizeCase{"NO_nb", "nb"}, NormalizeCase{"_de", "de"},
                                         NormalizeCase{"", ""}, NormalizeCase{"--", "--"},
                                         NormalizeCase{"_-_", "_-_"}, NormalizeCase{"nob", "nob"}));

} // namespace
