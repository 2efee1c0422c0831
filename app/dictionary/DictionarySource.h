#pragma once

#include "app/dictionary/Dictionary.h"

#include <QList>
#include <QStringList>

#include <memory>

// Where the installed dictionaries come from.
class DictionarySource {
public:
    DictionarySource() = default;
    virtual ~DictionarySource() = default;
    DictionarySource(const DictionarySource&) = delete;
    DictionarySource& operator=(const DictionarySource&) = delete;

    // The dictionaries on disk now, in folder order; reads the folders on every call.
    virtual QList<std::shared_ptr<const Dictionary>> dictionaries() const = 0;
    // The identifiers the system has active, in its order; empty when it says nothing.
    virtual QStringList activeIDs() const = 0;
};
