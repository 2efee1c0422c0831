#include "platform/linux/x11/XkbInputSources.h"

#include <QLoggingCategory>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <iterator>

Q_LOGGING_CATEGORY(lcXkb, "verdolin.inputsources")

namespace {

struct LayoutLanguage {
    const char* layout;
    const char* language;
};

// The layouts of xkeyboard-config by the main language they are made for. Layouts shared by
// several languages are given the one most of their users write.
constexpr LayoutLanguage layoutLanguages[] = {
    {"al", "sq"}, {"am", "hy"}, {"ara", "ar"}, {"at", "de"},    {"au", "en"}, {"az", "az"},
    {"ba", "bs"}, {"bd", "bn"}, {"be", "fr"},  {"bg", "bg"},    {"br", "pt"}, {"bt", "dz"},
    {"bw", "tn"}, {"by", "be"}, {"ca", "fr"},  {"cd", "fr"},    {"ch", "de"}, {"cm", "en"},
    {"cn", "zh"}, {"cz", "cs"}, {"de", "de"},  {"dk", "da"},    {"ee", "et"}, {"epo", "eo"},
    {"es", "es"}, {"et", "am"}, {"fi", "fi"},  {"fo", "fo"},    {"fr", "fr"}, {"gb", "en"},
    {"ge", "ka"}, {"gh", "en"}, {"gr", "el"},  {"hr", "hr"},    {"hu", "hu"}, {"id", "id"},
    {"ie", "en"}, {"il", "he"}, {"in", "hi"},  {"iq", "ar"},    {"ir", "fa"}, {"is", "is"},
    {"it", "it"}, {"jp", "ja"}, {"jv", "jv"},  {"ke", "sw"},    {"kg", "ky"}, {"kh", "km"},
    {"kr", "ko"}, {"kz", "kk"}, {"la", "lo"},  {"latam", "es"}, {"lk", "si"}, {"lt", "lt"},
    {"lv", "lv"}, {"ma", "ar"}, {"mao", "mi"}, {"md", "ro"},    {"me", "sr"}, {"mk", "mk"},
    {"mm", "my"}, {"mn", "mn"}, {"mt", "mt"},  {"mv", "dv"},    {"my", "ms"}, {"ng", "en"},
    {"nl", "nl"}, {"no", "nb"}, {"np", "ne"},  {"pk", "ur"},    {"pl", "pl"}, {"pt", "pt"},
    {"ro", "ro"}, {"rs", "sr"}, {"ru", "ru"},  {"se", "sv"},    {"si", "sl"}, {"sk", "sk"},
    {"sn", "wo"}, {"th", "th"}, {"tj", "tg"},  {"tm", "tk"},    {"tr", "tr"}, {"tz", "sw"},
    {"ua", "uk"}, {"us", "en"}, {"uz", "uz"},  {"vn", "vi"},    {"za", "en"},
};

struct VariantLanguage {
    const char* layout;
    const char* variantPrefix;
    const char* language;
};

// Variants written for another language than their layout's ("ca" is French unless "eng").
constexpr VariantLanguage variantLanguages[] = {
    {"ca", "eng", "en"}, {"ca", "ike", "iu"},        {"ch", "fr", "fr"},  {"cz", "rus", "ru"},
    {"de", "ro", "ro"},  {"de", "ru", "ru"},         {"de", "tr", "tr"},  {"dz", "ar", "ar"},
    {"es", "cat", "ca"}, {"fr", "geo", "ka"},        {"fr", "oci", "oc"}, {"gb", "pl", "pl"},
    {"ge", "ru", "ru"},  {"ie", "CloGaelach", "ga"}, {"in", "ben", "bn"}, {"in", "eng", "en"},
    {"in", "guj", "gu"}, {"in", "guru", "pa"},       {"in", "kan", "kn"}, {"in", "mal", "ml"},
    {"in", "mar", "mr"}, {"in", "tam", "ta"},        {"in", "tel", "te"}, {"in", "urd", "ur"},
    {"it", "geo", "ka"}, {"ma", "french", "fr"},     {"pk", "ara", "ar"}, {"ru", "tt", "tt"},
    {"se", "rus", "ru"}, {"us", "rus", "ru"},
};

// The comma-separated entries of one field; an empty field has no entries.
QList<QByteArray> entries(const QByteArray& field) {
    return field.isEmpty() ? QList<QByteArray>() : field.split(',');
}

} // namespace

XkbInputSources::XkbInputSources(const QByteArray& displayName)
    : m_displayName(displayName) {}

QString XkbInputSources::languageOf(const QString& layout, const QString& variant) {
    const QByteArray name = layout.trimmed().toLatin1();
    const QByteArray variantName = variant.trimmed().toLatin1();
    if (!variantName.isEmpty()) {
        for (const VariantLanguage& entry : variantLanguages) {
            if (name == entry.layout && variantName.startsWith(entry.variantPrefix))
                return QString::fromLatin1(entry.language);
        }
    }
    const auto it = std::find_if(std::begin(layoutLanguages), std::end(layoutLanguages),
                                 [&](const LayoutLanguage& entry) { return name == entry.layout; });
    return it == std::end(layoutLanguages) ? QString() : QString::fromLatin1(it->language);
}

QStringList XkbInputSources::languagesOfRulesNames(const QByteArray& rulesNames) {
    // rules, model, layouts, variants, options
    const QList<QByteArray> fields = rulesNames.split('\0');
    if (fields.size() < 3)
        return {};
    const QList<QByteArray> layouts = entries(fields.at(2));
    const QList<QByteArray> variants =
        fields.size() > 3 ? entries(fields.at(3)) : QList<QByteArray>();

    QStringList languages;
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const QString language =
            languageOf(QString::fromLatin1(layouts.at(i)),
                       i < variants.size() ? QString::fromLatin1(variants.at(i)) : QString());
        if (!language.isEmpty())
            languages.append(language);
    }
    return languages;
}

QStringList XkbInputSources::languages() const {
    Display* display = XOpenDisplay(m_displayName.isEmpty() ? nullptr : m_displayName.constData());
    if (!display) {
        qCDebug(lcXkb) << "no X display; no keyboard layouts";
        return {};
    }
    QByteArray value;
    const Atom property = XInternAtom(display, "_XKB_RULES_NAMES", True);
    if (property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        // 1024 longs are 4 KiB, far more than any set of layouts.
        const int status =
            XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1024, False,
                               XA_STRING, &type, &format, &count, &remaining, &data);
        if (status == Success && type == XA_STRING && format == 8 && data)
            value = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
        if (data)
            XFree(data);
    }
    XCloseDisplay(display);
    return languagesOfRulesNames(value);
}
