#include "app/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcDefaults, "verdolin.defaults")

namespace {

bool isInteger(const QVariant& value) {
    return value.typeId() == QMetaType::LongLong;
}

bool isNumber(const QVariant& value) {
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// The integer a string starts with, after leading white space; 0 when there is none or it
// does not fit.
qint64 leadingInteger(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    const qsizetype digits = i;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9')
        ++i;
    if (i == digits)
        return 0;
    bool ok = false;
    const qint64 value = text.sliced(start, i - start).toLongLong(&ok);
    return ok ? value : 0;
}

QJsonObject parseObject(const QByteArray& data, bool* ok) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    *ok = error.error == QJsonParseError::NoError && document.isObject();
    return *ok ? document.object() : QJsonObject();
}

} // namespace

QString DefaultsStore::defaultFolder() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/verdolin");
}

DefaultsStore& DefaultsStore::standard() {
    static DefaultsStore store(QString(applicationDomain), defaultFolder());
    return store;
}

DefaultsStore::DefaultsStore(const QString& domain, const QString& folder)
    : m_domain(domain)
    , m_folder(folder) {
    QMutexLocker lock(&m_mutex);
    loadLocked();
}

QString DefaultsStore::filePath() const {
    return m_folder + u'/' + m_domain + QStringLiteral(".json");
}

QString DefaultsStore::badFilePath() const {
    return m_folder + u'/' + m_domain + QStringLiteral(".bad.json");
}

bool DefaultsStore::contains(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    return m_values.contains(key);
}

QVariant DefaultsStore::object(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    const auto it = m_values.constFind(key);
    return it == m_values.constEnd() ? QVariant() : it->toVariant();
}

std::optional<QString> DefaultsStore::string(const QString& key) const {
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isInteger(value))
        return QString::number(value.toLongLong());
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return std::nullopt;
}

qint64 DefaultsStore::integer(const QString& key) const {
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (isInteger(value))
        return value.toLongLong();
    if (value.typeId() == QMetaType::Double) {
        const double number = std::trunc(value.toDouble());
        // 2^63 is exactly representable; anything from there on does not fit.
        constexpr double limit = 9223372036854775808.0;
        return std::isfinite(number) && number >= -limit && number < limit
                   ? static_cast<qint64>(number)
                   : 0;
    }
    if (value.typeId() == QMetaType::QString)
        return leadingInteger(value.toString());
    return 0;
}

bool DefaultsStore::boolean(const QString& key) const {
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == u"true" || text == u"yes" || leadingInteger(text) != 0;
    }
    return false;
}

std::optional<QStringList> DefaultsStore::stringList(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue value = m_values.value(key);
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

QVariantMap DefaultsStore::dictionary() const {
    QMutexLocker lock(&m_mutex);
    return m_values.toVariantMap();
}

QVariantMap DefaultsStore::persistentDomain(const QString& name) const {
    if (m_folder.isEmpty())
        return {};
    QFile file(m_folder + u'/' + name + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool ok = false;
    return parseObject(file.readAll(), &ok).toVariantMap();
}

void DefaultsStore::setObject(const QString& key, const QVariant& value) {
    setObjects({{key, value}});
}

void DefaultsStore::setString(const QString& key, const QString& value) {
    setObjects({{key, value}});
}

void DefaultsStore::setInteger(const QString& key, qint64 value) {
    setObjects({{key, QVariant::fromValue(value)}});
}

void DefaultsStore::setBool(const QString& key, bool value) {
    setObjects({{key, value}});
}

void DefaultsStore::setStringList(const QString& key, const QStringList& value) {
    setObjects({{key, value}});
}

void DefaultsStore::remove(const QString& key) {
    setObjects({{key, QVariant()}});
}

void DefaultsStore::setObjects(const QList<std::pair<QString, QVariant>>& entries) {
    QMutexLocker lock(&m_mutex);
    loadLocked();
    bool changed = false;
    for (const auto& [key, value] : entries) {
        if (!value.isValid()) {
            changed = m_values.contains(key) || changed;
            m_values.remove(key);
            continue;
        }
        const QJsonValue json = QJsonValue::fromVariant(value);
        changed = changed || !m_values.contains(key) || m_values.value(key) != json;
        m_values.insert(key, json);
    }
    if (changed)
        writeLocked();
}

void DefaultsStore::loadLocked() {
    if (m_unsaved)
        return;
    m_readOnly = m_folder.isEmpty();
    if (m_readOnly)
        return;

    QFile file(filePath());
    if (!file.exists()) {
        m_values = QJsonObject();
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDefaults) << "cannot read" << file.fileName() << file.errorString();
        m_readOnly = true;
        return;
    }
    bool ok = false;
    const QJsonObject values = parseObject(file.readAll(), &ok);
    file.close();
    if (ok) {
        m_values = values;
        return;
    }

    qCWarning(lcDefaults) << "unreadable settings" << file.fileName() << "moved to"
                          << badFilePath();
    QFile::remove(badFilePath());
    if (!QFile::rename(filePath(), badFilePath()))
        qCWarning(lcDefaults) << "cannot move" << filePath() << "aside";
    m_values = QJsonObject();
}

void DefaultsStore::writeLocked() {
    if (m_readOnly) {
        qCWarning(lcDefaults) << "not writing" << filePath() << "(it could not be read)";
        return;
    }
    m_unsaved = true;
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcDefaults) << "cannot create" << m_folder;
        return;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented)) < 0
        || !file.commit()) {
        qCWarning(lcDefaults) << "cannot write" << filePath() << file.errorString();
        return;
    }
    m_unsaved = false;
}
