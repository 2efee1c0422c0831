#include "app/dictionary/DictionaryPackageNames.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// "name|title" per package, so that one comparison shows the whole offer.
QStringList shown(const QList<DictionaryPackage>& packages) {
    QStringList result;
    for (const DictionaryPackage& package : packages)
        result.append(package.name + u'|' + package.title);
    return result;
}

TEST(DictionaryPackageNamesTest, FreeDictBothWaysThenTheEnglishOnes) {
    const auto name = [](const QString& code) { return code.toUpper(); };
    // clang-format off
    const struct { const char* my; const char* second; QStringList expected; } cases[] = {
        {"en", "es",
         {"dict-freedict-eng-spa|EN → ES (FreeDict)", "dict-freedict-spa-eng|ES → EN (FreeDict)",
                      "dict-wn|WordNet (EN)", "dict-gcide|GCIDE (EN)"}},
        {"ru", "en",
         {"dict-freedict-rus-eng|RU → EN (FreeDict)", "dict-freedict-eng-rus|EN → RU (FreeDict)",
                      "dict-wn|WordNet (EN)", "dict-gcide|GCIDE (EN)"}},
        {"pt", "ru",
         {"dict-freedict-por-rus|PT → RU (FreeDict)", "dict-freedict-rus-por|RU → PT (FreeDict)"}},
        {"xq", "en", {"dict-wn|WordNet (EN)", "dict-gcide|GCIDE (EN)"}},
        {"ru", "xq", {}},
        {"en", "en", {"dict-wn|WordNet (EN)", "dict-gcide|GCIDE (EN)"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.my) + "/" + c.second);
        EXPECT_EQ(shown(DictionaryPackageNames::candidates(c.my, c.second, name)), c.expected);
    }
    // Without names the codes stand in.
    EXPECT_EQ(DictionaryPackageNames::candidates("de", "fr", {}).first().title,
              QStringLiteral("de → fr (FreeDict)"));
}

} // namespace
