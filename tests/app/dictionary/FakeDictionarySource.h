#pragma once

#include "app/dictionary/DictionarySource.h"

#include <QHash>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// A dictionary with its words in memory; counts what it is asked.
class FakeDictionary : public Dictionary {
public:
    FakeDictionary(QString id, QString name, QHash<QString, QString> words, QString format)
        : m_id(std::move(id))
        , m_name(std::move(name))
        , m_format(std::move(format))
        , m_words(std::move(words)) {}

    QString identifier() const override { return m_id; }
    QString name() const override { return m_name; }
    QString format() const override { return m_format; }
    std::optional<QString> define(const QString& word) const override {
        asked.fetch_add(1);
        if (beforeAnswer)
            beforeAnswer();
        return m_words.contains(word) ? std::optional(m_words.value(word)) : std::nullopt;
    }

    mutable std::atomic<int> asked{0};
    // Runs inside every look-up, on the caller's thread.
    std::function<void()> beforeAnswer;

private:
    QString m_id, m_name, m_format;
    QHash<QString, QString> m_words;
};

class FakeDictionarySource : public DictionarySource {
public:
    QList<std::shared_ptr<const Dictionary>> dictionaries() const override {
        std::lock_guard lock(m_mutex);
        ++readings;
        return m_list;
    }
    QStringList activeIDs() const override {
        std::lock_guard lock(m_mutex);
        return active;
    }

    std::shared_ptr<FakeDictionary> add(const QString& id, const QString& name,
                                        QHash<QString, QString> words,
                                        const QString& format = "dictd") {
        auto dictionary = std::make_shared<FakeDictionary>(id, name, std::move(words), format);
        std::lock_guard lock(m_mutex);
        m_list.append(dictionary);
        return dictionary;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_list.clear();
    }

    QStringList active;
    mutable int readings = 0;

private:
    mutable std::mutex m_mutex;
    QList<std::shared_ptr<const Dictionary>> m_list;
};
