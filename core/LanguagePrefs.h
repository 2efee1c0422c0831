#pragma once

#include <QString>

// The user's language pair: foreign text goes into `my`, text already in `my` goes into
// `second`. The two may be equal; the direction rule copes with that.
struct LanguagePrefs {
    QString my;
    QString second;

    bool operator==(const LanguagePrefs&) const = default;
};
