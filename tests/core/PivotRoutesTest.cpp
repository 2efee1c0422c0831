#include "core/PivotRoutes.h"

#include <gtest/gtest.h>

namespace {

// "en>es" is installed, "en>es?" only installable.
QList<LanguageLink> links(std::initializer_list<const char*> written) {
    QList<LanguageLink> list;
    for (const char* text : written) {
        QString link = QString::fromLatin1(text);
        const bool installable = link.endsWith(u'?');
        if (installable)
            link.chop(1);
        const QStringList sides = link.split(u'>');
        list.append({sides.value(0), sides.value(1), !installable});
    }
    return list;
}

using Route = PivotRoutes::Route;

} // namespace

TEST(PivotRoutes, ChoosesOneIntermediateInAFixedOrder) {
    const struct {
        const char *what, *source, *target;
        QList<LanguageLink> links;
        std::optional<Route> expected;
    } cases[] = {
        // clang-format off
        {"a direct direction wins, even one only installable", "en", "fr",
         links({"en>es", "es>fr", "en>fr?"}), std::nullopt},
        {"through Spanish", "en", "fr", links({"en>es", "es>fr"}), Route{"es", true}},
        {"installed legs beat Spanish", "en", "fr", links({"en>es?", "es>fr", "en>ca", "ca>fr"}),
         Route{"ca", true}},
        {"Spanish, then Catalan, then English", "eo", "fr",
         links({"eo>en", "en>fr", "eo>ca", "ca>fr", "eo>es", "es>fr"}), Route{"es", true}},
        {"Catalan before English", "oc", "fr", links({"oc>en?", "en>fr?", "oc>ca?", "ca>fr?"}),
         Route{"ca", false}},
        {"English before the rest", "pt", "gl", links({"pt>an", "an>gl", "pt>en", "en>gl"}),
         Route{"en", true}},
        {"the rest by code", "pt", "gl", links({"pt>oc", "oc>gl", "pt>an", "an>gl"}),
         Route{"an", true}},
        {"one installed copy of a leg is enough", "en", "fr", links({"en>es?", "en>es", "es>fr"}),
         Route{"es", true}},
        {"one leg missing", "en", "fr", links({"en>es", "ca>fr"}), std::nullopt},
        {"legs the wrong way round", "en", "fr", links({"es>en", "fr>es"}), std::nullopt},
        {"to itself", "en", "en", links({"en>es", "es>en"}), std::nullopt},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(PivotRoutes::route(QString::fromLatin1(c.source), QString::fromLatin1(c.target),
                                     c.links),
                  c.expected)
            << c.what;
}
