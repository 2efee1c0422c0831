#include "core/UrlCommand.h"

#include "core/SettingsTab.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using Kind = UrlCommand::Kind;

TEST(UrlCommandTest, ReadsTheHostAndItsQueryItems) {
    const struct {
        const char* url;
        UrlCommand expected;
    } cases[] = {
        {"verdolin://translate?text=Hola%20mundo", {Kind::translate, u"Hola mundo"_s, 0, {}}},
        {"verdolin://translate?text=%D0%BC%D0%B8%D1%80&text=second",
         {Kind::translate, u"мир"_s, 0, {}}},
        {"verdolin://translate?text=", {Kind::translate, QString(), 0, {}}},
        {"verdolin://translate", {Kind::translate, std::nullopt, 0, {}}},
        {"verdolin://translate/?other=1", {Kind::translate, std::nullopt, 0, {}}},
        {"verdolin://hide?text=ignored", {Kind::hide, std::nullopt, 0, {}}},
        // The scheme was checked by whoever handed the URL over.
        {"://hide", {Kind::hide, std::nullopt, 0, {}}},
        {"verdolin://setup?step=2", {Kind::setup, std::nullopt, 2, {}}},
        {"verdolin://setup?step=7", {Kind::setup, std::nullopt, 3, {}}},
        {"verdolin://setup?step=-2", {Kind::setup, std::nullopt, 0, {}}},
        {"verdolin://setup?step=two", {Kind::setup, std::nullopt, 0, {}}},
        {"verdolin://setup?step=99999999999999999999", {Kind::setup, std::nullopt, 0, {}}},
        {"verdolin://setup", {Kind::setup, std::nullopt, 0, {}}},
        {"verdolin://settings?tab=access", {Kind::settings, std::nullopt, 0, u"access"_s}},
        {"verdolin://settings", {Kind::settings, std::nullopt, 0, std::nullopt}},
        // Compared exactly: no host, another host or another case opens the window as it was.
        {"verdolin://", {}},
        {"verdolin:translate?text=x", {}},
        {"verdolin://Translate?text=x", {}},
        {"verdolin://quit", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(UrlCommand::parse(QString::fromUtf8(c.url)), c.expected);
    }
}

TEST(SettingsTabTest, NamesAreLenientButExact) {
    const std::pair<std::optional<QString>, std::optional<SettingsTab>> cases[] = {
        // clang-format off
        {u"general"_s, SettingsTab::general}, {u"about"_s, SettingsTab::general},
        {u"About"_s, std::nullopt},
        {u"translation"_s, SettingsTab::translation}, {u"languages"_s, SettingsTab::translation},
        {u"dictionaries"_s, SettingsTab::translation}, {u"shortcuts"_s, SettingsTab::shortcuts},
        {u"shortcut"_s, SettingsTab::shortcuts}, {u"access"_s, SettingsTab::shortcuts},
        {u" general"_s, std::nullopt}, {QString(), std::nullopt}, {std::nullopt, std::nullopt},
        // clang-format on
    };
    for (const auto& [name, tab] : cases)
        EXPECT_EQ(SettingsTabs::fromName(name), tab) << name.value_or(u"(none)"_s).toStdString();
    for (const SettingsTab tab :
         {SettingsTab::general, SettingsTab::translation, SettingsTab::shortcuts})
        EXPECT_EQ(SettingsTabs::fromRawValue(SettingsTabs::rawValue(tab)), tab);
    EXPECT_EQ(SettingsTabs::fromRawValue(u"access"_s), std::nullopt);
}

} // namespace
