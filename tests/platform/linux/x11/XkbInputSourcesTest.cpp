#include "platform/linux/x11/XkbInputSources.h"

#include "platform/linux/x11/XcbSelection.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

TEST(XkbInputSourcesTest, MapsTheLayoutAndItsVariant) {
    const struct {
        const char* layout;
        const char* variant;
        const char* language; // empty: none
    } cases[] = {
        {"us", "", "en"}, {"us", "intl", "en"}, {"us", "rus", "ru"}, {"ch", "fr_nodeadkeys", "fr"},
        {"ua", "", "uk"}, {"no", "", "nb"},     {" it ", "", "it"},  {"custom", "", ""},
        {"", "", ""},     {"US", "", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(XkbInputSources::languageOf(QString::fromLatin1(c.layout),
                                              QString::fromLatin1(c.variant)),
                  QString::fromLatin1(c.language))
            << c.layout << "(" << c.variant << ")";
}

TEST(XkbInputSourcesTest, ReadsLayoutsWithTheirVariantsInOrder) {
    const auto languages = [](const QByteArray& value) {
        return XkbInputSources::languagesOfRulesNames(value);
    };
    EXPECT_EQ(languages("evdev\0pc105\0us,ru,zz,de\0,,,\0grp:alt_shift_toggle\0"_ba),
              QStringList({"en", "ru", "de"}));
    EXPECT_EQ(languages("evdev\0pc105\0ca,ca,us,gb\0eng\0"_ba),
              QStringList({"en", "fr", "en", "en"}));
    EXPECT_EQ(languages("evdev\0pc105\0ch,ch\0fr,\0"_ba), QStringList({"fr", "de"}));
    EXPECT_EQ(languages("evdev\0pc105\0de"_ba), QStringList({"de"}));
    EXPECT_EQ(languages("evdev\0pc105\0\0\0"_ba), QStringList());
    EXPECT_EQ(languages(""_ba), QStringList());
}

TEST(XkbInputSourcesTest, ReadsTheSessionsLayoutsFromTheRootWindow) {
    XvfbServer server;
    ASSERT_TRUE(server.isReady());
    const QByteArray display = server.displayName().toLatin1();
    XTestTypist client(display);
    const QByteArray value = "evdev\0pc105\0de,ua,us\0,,\0grp:win_space_toggle\0"_ba;
    xcb_change_property(client.connection, XCB_PROP_MODE_REPLACE, client.root,
                        XcbSelection::atom(client.connection, "_XKB_RULES_NAMES"), XCB_ATOM_STRING,
                        8, static_cast<uint32_t>(value.size()), value.constData());
    client.sync();
    EXPECT_EQ(XkbInputSources(display).languages(), QStringList({"de", "uk", "en"}));
    EXPECT_EQ(XkbInputSources(":4095"_ba).languages(), QStringList());
}

} // namespace
