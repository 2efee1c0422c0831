#include "platform/linux/x11/XkbInputSources.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdlib>
#include <optional>

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
        const char* language; // empty: skipped
    } cases[] = {{"us", "", "en"},
                 {"us", "intl", "en"},
                 {"us", "rus", "ru"},
                 {"ca", "", "fr"},
                 {"ca", "eng", "en"},
                 {"ch", "", "de"},
                 {"ch", "fr_nodeadkeys", "fr"},
                 {"es", "cat", "ca"},
                 {"latam", "", "es"},
                 {"ua", "", "uk"},
                 {"no", "", "nb"},
                 {"in", "tam_tamilnet", "ta"},
                 {" it ", "", "it"},
                 {"brai", "", ""},
                 {"custom", "", ""},
                 {"", "", ""},
                 {"US", "", ""}};
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

// Sets _XKB_RULES_NAMES on the root window of the display and puts back what was there.
class RulesNamesOverride {
public:
    explicit RulesNamesOverride(Display* display)
        : m_display(display)
        , m_root(DefaultRootWindow(display))
        , m_atom(XInternAtom(display, "_XKB_RULES_NAMES", False)) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, m_root, m_atom, 0, 1024, False, XA_STRING, &type, &format,
                               &count, &remaining, &data)
                == Success
            && type == XA_STRING && format == 8 && data) {
            m_saved = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count));
        }
        if (data)
            XFree(data);
    }
    ~RulesNamesOverride() {
        if (m_saved)
            set(*m_saved);
        else
            XDeleteProperty(m_display, m_root, m_atom);
        XSync(m_display, False);
    }

    void set(const QByteArray& value) {
        XChangeProperty(m_display, m_root, m_atom, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(value.constData()),
                        int(value.size()));
        XSync(m_display, False);
    }

private:
    Display* m_display;
    Window m_root;
    Atom m_atom;
    std::optional<QByteArray> m_saved;
};

TEST(XkbInputSourcesTest, ReadsTheSessionsLayoutsFromTheRootWindow) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display (ctest runs under xvfb-run in make test)";
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    {
        RulesNamesOverride property(display);
        property.set(bytes("evdev\0pc105\0de,ua,us\0,,\0grp:win_space_toggle\0"));
        EXPECT_EQ(XkbInputSources().languages(), QStringList({"de", "uk", "en"}));

        property.set(bytes("evdev\0pc105\0brai\0\0"));
        EXPECT_EQ(XkbInputSources().languages(), QStringList());
    }
    XCloseDisplay(display);
}

} // namespace
