#pragma once

#include <QString>

// Rules over dictionary identifiers (dictd database names, StarDict file stems): which are
// worth searching, and in which order their definitions are shown.
namespace DictionaryRanking {

// False for dictionaries that only describe the system itself.
bool isRelevant(const QString& id);

// 0 for bilingual dictionaries, 1 for monolingual ones, 2 for thesauri.
int rank(const QString& id);

} // namespace DictionaryRanking
