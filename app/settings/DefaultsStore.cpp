#include "app/settings/DefaultsStore.h"

#include "core/SharedFile.h"

#include <QDir>
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

// Called with the lock held. Kept for inspection rather than overwritten by the next write.
void setAside(const SharedFile& file, const QString& aside) {
    if (file.setAside(aside))
        qCWarning(lcDefaults) << "unreadable settings" << file.path() << "moved to" << aside;
    else
        qCWarning(lcDefaults) << "cannot move" << file.path() << "aside";
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
    if (m_folder.isEmpty())
        return;
    SharedFile file(filePath());
    SharedFile::Contents contents = file.read();
    if (contents.status == SharedFile::Status::Read) {
        std::optional<QJsonObject> values = parse(contents.data);
        m_values = values.value_or(QJsonObject());
        if (values)
            return;
        // Read again under the lock: another process may have replaced it meanwhile.
        QString error;
        if (!file.lock(&error)) {
            qCWarning(lcDefaults) << "cannot lock" << file.lockPath() << error;
            return;
        }
        contents = file.read();
        if (contents.status == SharedFile::Status::Read) {
            values = parse(contents.data);
            m_values = values.value_or(QJsonObject());
            if (!values)
                setAside(file, badFilePath());
            return;
        }
    }
    if (contents.status == SharedFile::Status::Unreadable) {
        m_loadError = QStringLiteral("cannot read %1: %2").arg(filePath(), contents.error);
        qCWarning(lcDefaults).noquote() << *m_loadError;
    }
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
    return stringValue(object(key));
}

std::optional<QString> DefaultsStore::stringValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isInteger(value))
        return QString::number(value.toLongLong());
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return std::nullopt;
}

qint64 DefaultsStore::integer(const QString& key) const {
    return integerValue(object(key));
}

qint64 DefaultsStore::integerValue(const QVariant& value) {
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
    return booleanValue(object(key));
}

bool DefaultsStore::booleanValue(const QVariant& value) {
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
    return stringListValue(m_values.value(key));
}

std::optional<QStringList> DefaultsStore::stringListValue(const QJsonValue& value) {
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
    const SharedFile::Contents contents =
        SharedFile(m_folder + u'/' + name + QStringLiteral(".json")).read();
    return parse(contents.data).value_or(QJsonObject()).toVariantMap();
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
    commitLocked([&](const QJsonObject&) {
        for (const auto& [key, value] : entries)
            recordLocked(key, value);
    });
}

QVariant DefaultsStore::update(const QString& key,
                               const std::function<QVariant(const QVariant&)>& change) {
    QMutexLocker lock(&m_mutex);
    QVariant result;
    commitLocked([&](const QJsonObject& current) {
        const auto it = current.constFind(key);
        result = change(it == current.constEnd() ? QVariant() : it->toVariant());
        recordLocked(key, result);
    });
    return result;
}

std::optional<QString> DefaultsStore::loadError() const {
    QMutexLocker lock(&m_mutex);
    return m_loadError;
}

std::optional<QJsonObject> DefaultsStore::parse(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

void DefaultsStore::recordLocked(const QString& key, const QVariant& value) {
    if (value.isValid())
        m_unwritten.insert(key, QJsonValue::fromVariant(value));
    else
        m_unwritten.insert(key, std::nullopt);
}

void DefaultsStore::applyUnwritten(QJsonObject& values) const {
    for (auto it = m_unwritten.cbegin(); it != m_unwritten.cend(); ++it) {
        if (it.value())
            values.insert(it.key(), *it.value());
        else
            values.remove(it.key());
    }
}

void DefaultsStore::commitLocked(const std::function<void(const QJsonObject& current)>& record) {
    // Without the file, the changes stay in memory on top of what was read last.
    const auto keepInMemory = [&] {
        QJsonObject current = m_values;
        applyUnwritten(current);
        record(current);
        applyUnwritten(m_values);
    };
    if (m_folder.isEmpty()) {
        keepInMemory();
        m_unwritten.clear();
        return;
    }
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcDefaults) << "cannot create" << m_folder;
        keepInMemory();
        return;
    }
    SharedFile file(filePath());
    QString error;
    if (!file.lock(&error)) {
        qCWarning(lcDefaults) << "cannot lock" << file.lockPath() << error;
        keepInMemory();
        return;
    }
    const SharedFile::Contents contents = file.read();
    QJsonObject onDisk;
    if (contents.status == SharedFile::Status::Unreadable) {
        qCWarning(lcDefaults) << "not writing" << filePath()
                              << "as it cannot be read:" << contents.error;
        keepInMemory();
        return;
    }
    if (contents.status == SharedFile::Status::Read) {
        const std::optional<QJsonObject> values = parse(contents.data);
        onDisk = values.value_or(QJsonObject());
        if (!values)
            setAside(file, badFilePath());
    }

    QJsonObject values = onDisk;
    applyUnwritten(values);
    record(values);
    values = onDisk;
    applyUnwritten(values);
    m_values = values;
    if (values == onDisk) {
        m_unwritten.clear();
        return;
    }
    QSaveFile out(filePath());
    if (!out.open(QIODevice::WriteOnly)
        || out.write(QJsonDocument(values).toJson(QJsonDocument::Indented)) < 0 || !out.commit()) {
        qCWarning(lcDefaults) << "cannot write" << filePath() << out.errorString();
        return;
    }
    m_unwritten.clear();
}
