#include "platform/linux/x11/XkbInputSources.h"

#include "platform/linux/x11/XcbSelection.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The whole literal, NULs included.
template <qsizetype N>
QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

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
    EXPECT_EQ(languages(bytes("evdev\0pc105\0us,ru,zz,de\0,,,\0grp:alt_shift_toggle\0")),
              QStringList({"en", "ru", "de"}));
    EXPECT_EQ(languages(bytes("evdev\0pc105\0ca,ca,us,gb\0eng\0")),
              QStringList({"en", "fr", "en", "en"}));
    EXPECT_EQ(languages(bytes("evdev\0pc105\0ch,ch\0fr,\0")), QStringList({"fr", "de"}));
    EXPECT_EQ(languages(bytes("evdev\0pc105\0de")), QStringList({"de"}));
    EXPECT_EQ(languages(bytes("evdev\0pc105\0\0\0")), QStringList());
    EXPECT_EQ(languages(bytes("")), QStringList());
}

TEST(XkbInputSourcesTest, NoDisplayGivesNoLanguages) {
    EXPECT_EQ(XkbInputSources(QByteArrayLiteral(":4095")).languages(), QStringList());
}

TEST(XkbInputSourcesTest, ReadsTheSessionsLayoutsFromTheRootWindow) {
    XvfbServer server;
    ASSERT_TRUE(server.isReady());
    const QByteArray display = server.displayName().toLatin1();
    xcb_window_t root = XCB_WINDOW_NONE;
    const XcbSelection::Connection c = XcbSelection::connect(display, &root);
    const QByteArray value = bytes("evdev\0pc105\0de,ua,us\0,,\0grp:win_space_toggle\0");
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, root,
                        XcbSelection::atom(c.get(), "_XKB_RULES_NAMES"), XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(value.size()), value.constData());
    std::free(xcb_get_input_focus_reply(c.get(), xcb_get_input_focus(c.get()), nullptr));
    EXPECT_EQ(XkbInputSources(display).languages(), QStringList({"de", "uk", "en"}));
}

} // namespace
