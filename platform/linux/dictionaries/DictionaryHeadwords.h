#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

#include <optional>

// The headwords of dictd and StarDict dictionaries, as sets of single words in case-folded
// form, and the source language FreeDict puts in its file names ("freedict-eng-spa").
namespace DictionaryHeadwords {

// The base language code ("en") of the side a FreeDict-style name ("eng-spa",
// "freedict-spa-eng") translates from; nothing for other names.
std::optional<QString> sourceLanguage(const QString& name);

// A word as it is looked up: case-folded, without the punctuation around it.
QString fold(QStringView word);

// The one-word headwords of a dictd .index file; dictd's own "00database" entries are left
// out. Empty when the file cannot be read.
QSet<QString> readDictdIndex(const QString& indexPath);

// The one-word headwords of the StarDict dictionary an .ifo describes (its .idx or .idx.gz).
QSet<QString> readStarDictIndex(const QString& ifoPath);

} // namespace DictionaryHeadwords
