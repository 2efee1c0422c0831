#include "core/LanguageCode.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageCode, NormalizeReducesToBaseCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"en-US", "en"}, {"en_GB", "en"}, {"EN", "en"},  {"zh-Hans", "zh"}, {"zh-Hant-TW", "zh"},
        {"zh_CN", "zh"}, {"pt-BR", "pt"}, {"no", "nb"},  {"no-NO", "nb"},   {"NO", "nb"},
        {"nb-NO", "nb"}, {"NO_nb", "nb"}, {"_de", "de"}, {"", ""},          {"--", "--"},
        {"_-_", "_-_"},  {"nob", "nob"}};
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(LanguageCode::normalize(QString::fromUtf8(input)), QString::fromUtf8(expected))
            << "input: " << input;
}

} // namespace
