#include "app/dictionary/DictionaryService.h"

#include "core/DictionaryRanking.h"
#include "core/Graphemes.h"

#include <QCollator>
#include <QHash>
#include <QPromise>
#include <QSet>

#include <algorithm>

namespace {

class NoDictionaries final : public DictionarySource {
public:
    QList<std::shared_ptr<const Dictionary>> dictionaries() const override { return {}; }
    QStringList activeIDs() const override { return {}; }
};

struct SharedSlot {
    std::mutex mutex;
    std::shared_ptr<const DictionarySource> pending = std::make_shared<NoDictionaries>();
    std::unique_ptr<DictionaryService> service;
};

SharedSlot& sharedSlot() {
    static SharedSlot slot;
    return slot;
}

// The queue whose item is running on this thread, if any.
thread_local const SerialQueue* currentQueue = nullptr;

// Marks the thread as running one of the queue's items for as long as it lives.
class OnQueue {
public:
    explicit OnQueue(const SerialQueue& queue) { currentQueue = &queue; }
    ~OnQueue() { currentQueue = nullptr; }
    OnQueue(const OnQueue&) = delete;
    OnQueue& operator=(const OnQueue&) = delete;
};

// Name order as people read it: localised, case-insensitive; equal names keep their order.
template <typename T, typename Name>
void sortByName(QList<T>& items, Name name) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) {
        return collator.compare(name(a), name(b)) < 0;
    });
}

} // namespace

DictionaryService::DictionaryService(std::shared_ptr<const DictionarySource> source, Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(steadyClock))
    , m_source(source ? std::move(source) : std::make_shared<NoDictionaries>()) {}

DictionaryService& DictionaryService::shared() {
    SharedSlot& slot = sharedSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.service)
        slot.service = std::make_unique<DictionaryService>(slot.pending);
    return *slot.service;
}

void DictionaryService::installShared(std::shared_ptr<const DictionarySource> source) {
    if (!source)
        return;
    SharedSlot& slot = sharedSlot();
    std::lock_guard lock(slot.mutex);
    if (slot.service)
        slot.service->replaceSource(std::move(source));
    else
        slot.pending = std::move(source);
}

std::chrono::milliseconds DictionaryService::steadyClock() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::shared_ptr<const DictionarySource> DictionaryService::source() const {
    std::lock_guard lock(m_sourceMutex);
    return m_source;
}

void DictionaryService::replaceSource(std::shared_ptr<const DictionarySource> source) {
    {
        std::lock_guard lock(m_sourceMutex);
        m_source = std::move(source);
    }
    reload();
}

void DictionaryService::reload() {
    std::lock_guard lock(m_cacheMutex);
    m_cachedList.reset();
}

DictionaryService::Dictionaries DictionaryService::allDictionaries() const {
    std::lock_guard lock(m_cacheMutex);
    const std::chrono::milliseconds now = m_clock();
    if (m_cachedList && now - m_cachedList->date < listLifetime)
        return m_cachedList->dictionaries;
    // An empty reading is kept just as long: an empty folder is not read again at once.
    m_cachedList = CachedList{now, source()->dictionaries()};
    return m_cachedList->dictionaries;
}

QStringList DictionaryService::activeIDs() const {
    return source()->activeIDs();
}

QString DictionaryService::cut(const QString& text) {
    const QString head = Graphemes::left(text, textLimit);
    if (head.size() == text.size())
        return text;
    return head + QChar(0x2026);
}

QFuture<QList<DictEntry>> DictionaryService::lookup(const QString& word,
                                                    const std::optional<QStringList>& ids) {
    auto promise = std::make_shared<QPromise<QList<DictEntry>>>();
    QFuture<QList<DictEntry>> future = promise->future();
    promise->start();
    m_queue.async([this, promise, word, ids] {
        // Only a search not yet started is skipped; once running it completes.
        if (!promise->isCanceled()) {
            const OnQueue onQueue(m_queue);
            promise->addResult(entries(word, ids, entryLimit));
        }
        promise->finish();
    });
    return future;
}

QList<DictEntry> DictionaryService::entriesOf(const QFuture<QList<DictEntry>>& future) {
    if (future.isCanceled() || future.resultCount() == 0)
        return {};
    return future.result();
}

QList<DictEntry> DictionaryService::entries(const QString& word,
                                            const std::optional<QStringList>& ids,
                                            qsizetype limit) const {
    const Dictionaries list = allDictionaries();
    if (list.isEmpty())
        return {};
    const QStringList active = activeIDs();

    // A repeated identifier would only show the same definition twice.
    QStringList candidates;
    for (const QString& id : ids ? *ids : active) {
        if (DictionaryRanking::isRelevant(id) && !candidates.contains(id))
            candidates.append(id);
    }

    QHash<QString, std::shared_ptr<const Dictionary>> byID;
    for (const std::shared_ptr<const Dictionary>& dictionary : list) {
        if (dictionary && !byID.contains(dictionary->identifier()))
            byID.insert(dictionary->identifier(), dictionary);
    }

    struct Hit {
        int rank;
        qsizetype order;
        DictEntry entry;
    };
    QList<Hit> hits;
    QStringList asked;
    for (qsizetype order = 0; order < candidates.size(); ++order) {
        const QString& id = candidates.at(order);
        const auto it = byID.constFind(id);
        if (it == byID.cend())
            continue;
        asked.append(id);
        const std::optional<QString> text = (*it)->define(word);
        if (!text)
            continue;
        hits.append({DictionaryRanking::rank(id), order,
                     DictEntry{QUuid::createUuid(), (*it)->name(), cut(*text)}});
    }

    if (!ids && hits.isEmpty()) {
        const std::optional<DictEntry> fallback = defaultEntry(list, word, active, asked);
        return fallback ? QList<DictEntry>{*fallback} : QList<DictEntry>{};
    }

    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.order < b.order;
    });
    QList<DictEntry> result;
    for (qsizetype i = 0; i < hits.size() && i < limit; ++i)
        result.append(hits.at(i).entry);
    return result;
}

std::optional<DictEntry> DictionaryService::defaultEntry(const Dictionaries& list,
                                                         const QString& word,
                                                         const QStringList& active,
                                                         const QStringList& alreadyAsked) const {
    // The default dictionary is the first that has the word: active ones in their order, then
    // the others by name.
    Dictionaries ordered;
    QSet<QString> seen;
    for (const QString& id : active) {
        for (const std::shared_ptr<const Dictionary>& dictionary : list) {
            if (dictionary && dictionary->identifier() == id && !seen.contains(id)) {
                ordered.append(dictionary);
                seen.insert(id);
            }
        }
    }
    Dictionaries rest;
    for (const std::shared_ptr<const Dictionary>& dictionary : list) {
        if (dictionary && !seen.contains(dictionary->identifier())) {
            rest.append(dictionary);
            seen.insert(dictionary->identifier());
        }
    }
    sortByName(rest, [](const std::shared_ptr<const Dictionary>& d) { return d->name(); });
    ordered.append(rest);

    for (const std::shared_ptr<const Dictionary>& dictionary : std::as_const(ordered)) {
        const QString id = dictionary->identifier();
        // Those already asked had nothing; asking again would give the same answer.
        if (!DictionaryRanking::isRelevant(id) || alreadyAsked.contains(id))
            continue;
        if (const std::optional<QString> text = dictionary->define(word))
            return DictEntry{QUuid::createUuid(), QStringLiteral("Dictionary"), cut(*text)};
    }
    return std::nullopt;
}

void DictionaryService::runOnQueue(const std::function<void()>& work) const {
    if (currentQueue == &m_queue) {
        work();
        return;
    }
    m_queue.async([this, &work] {
        const OnQueue onQueue(m_queue);
        work();
    });
    m_queue.flush();
}

QList<InstalledDictionary> DictionaryService::installed() const {
    QHash<QString, QString> names;
    runOnQueue([this, &names] {
        for (const std::shared_ptr<const Dictionary>& dictionary : allDictionaries()) {
            if (dictionary && !names.contains(dictionary->identifier()))
                names.insert(dictionary->identifier(), dictionary->name());
        }
    });

    // The folders are read afresh, so that a dictionary removed a moment ago is not listed.
    QList<InstalledDictionary> found;
    QSet<QString> seen;
    for (const std::shared_ptr<const Dictionary>& dictionary : source()->dictionaries()) {
        if (!dictionary)
            continue;
        const QString id = dictionary->identifier();
        if (!DictionaryRanking::isRelevant(id) || seen.contains(id))
            continue;
        seen.insert(id);
        QString name = names.value(id);
        if (name.isEmpty())
            name = dictionary->name();
        if (name.isEmpty())
            name = id;
        found.append({id, name, dictionary->format()});
    }
    sortByName(found, [](const InstalledDictionary& d) { return d.name; });
    return found;
}
