// The settings file: a JSON object whose values the typed getters convert.
#include "app/settings/DefaultsStore.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

#include <QJsonArray>
#include <QJsonDocument>

VERDOLIN_FUZZ_TARGET(SettingsFile) {
    const std::optional<QJsonObject> values = DefaultsStore::parse(input.toByteArray());
    if (!values)
        return;
    for (auto it = values->begin(); it != values->end(); ++it) {
        const QVariant value = it->toVariant();
        const std::optional<QString> text = DefaultsStore::stringValue(value);
        const qint64 integer = DefaultsStore::integerValue(value);
        const bool boolean = DefaultsStore::booleanValue(value);
        if (value.typeId() == QMetaType::LongLong) {
            FUZZ_CHECK(text == QString::number(integer));
            FUZZ_CHECK(boolean == (integer != 0));
        }
        if (const std::optional<QStringList> list = DefaultsStore::stringListValue(*it))
            FUZZ_CHECK(list->size() == it->toArray().size());
    }
    // What the store writes reads back as the same values.
    const std::optional<QJsonObject> again =
        DefaultsStore::parse(QJsonDocument(*values).toJson(QJsonDocument::Indented));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *values);
}
