#include "core/LaunchArguments.h"

#include <gtest/gtest.h>

namespace {

using Kind = LaunchRequest::Kind;

TEST(LaunchArgumentsTest, ParsesWhatAStartAsksFor) {
    const QString text = QStringLiteral("Hola, ¿qué tal?\nsegunda línea");
    const struct {
        const char* name;
        QStringList arguments;
        bool login;
        QList<LaunchRequest> requests;
        bool refused;
    } rows[] = {
        // clang-format off
        {"nothing", {}, false, {}, false},
        {"login only", {"--login"}, true, {}, false},
        {"text as the next argument", {"--translate-text", text}, false,
         {{Kind::translateText, text}}, false},
        {"text after =", {"--translate-text=" + text}, false, {{Kind::translateText, text}}, false},
        {"a text that looks like an option", {"--translate-text", "--login"}, false,
         {{Kind::translateText, "--login"}}, false},
        {"in order, with login anywhere",
         {"verdolin://hide", "--login", "--translate-clipboard", "--open-translator",
          "VERDOLIN://translate?text=a"},
         true,
         {{Kind::url, "verdolin://hide"}, {Kind::translateClipboard, {}},
          {Kind::openTranslator, {}}, {Kind::url, "VERDOLIN://translate?text=a"}},
         false},
        {"text missing", {"--translate-clipboard", "--translate-text"}, false, {}, true},
        {"unknown option", {"--translate"}, false, {}, true},
        {"another scheme", {"https://example.org"}, false, {}, true},
        {"a bare word", {"hola"}, false, {}, true},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const LaunchArguments parsed = LaunchArguments::parse(row.arguments);
        EXPECT_EQ(parsed.login, row.login);
        EXPECT_EQ(parsed.requests, row.requests);
        EXPECT_EQ(parsed.error.has_value(), row.refused);
    }
}

} // namespace
