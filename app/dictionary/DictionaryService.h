#pragma once

#include "app/dictionary/DictEntry.h"
#include "app/dictionary/DictionarySource.h"
#include "app/dictionary/InstalledDictionary.h"
#include "core/SerialQueue.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Definitions of single words from the dictionaries installed on this computer, bilingual
// ones first and thesauri last. Look-ups run one at a time on a private serial queue; every
// failure just means fewer entries. Safe to use from any thread.
class DictionaryService {
public:
    // A monotonic time; only differences matter.
    using Clock = std::function<std::chrono::milliseconds()>;

    static constexpr qsizetype entryLimit = 4;
    static constexpr qsizetype textLimit = 1500;
    static constexpr std::chrono::seconds listLifetime{60};

    explicit DictionaryService(std::shared_ptr<const DictionarySource> source,
                               Clock clock = steadyClock);
    // Runs the look-ups still queued before returning.
    ~DictionaryService() = default;
    DictionaryService(const DictionaryService&) = delete;
    DictionaryService& operator=(const DictionaryService&) = delete;

    // The process-wide service, created on first use; without an installed source it finds
    // nothing.
    static DictionaryService& shared();
    // Called at start with the real dictionaries; a later call replaces them.
    static void installShared(std::shared_ptr<const DictionarySource> source);

    static std::chrono::milliseconds steadyClock();

    // At most four entries for the word. Absent `ids` means the active dictionaries (and the
    // default dictionary when they have nothing); present `ids`, even empty, are used as
    // given. Cancelling the future before the search starts skips it: the future then ends
    // cancelled, without a result. A search already running completes.
    QFuture<QList<DictEntry>> lookup(const QString& word,
                                     const std::optional<QStringList>& ids = std::nullopt);

    // The results of a finished look-up; empty when it was cancelled.
    static QList<DictEntry> entriesOf(const QFuture<QList<DictEntry>>& future);

    // The dictionaries on disk, each identifier once, sorted by name. Waits for the look-ups
    // queued before it.
    QList<InstalledDictionary> installed() const;

    // The identifiers the system has active, in its order.
    QStringList activeIDs() const;

    // Forgets the dictionaries read last, so that the next look-up reads the folders again:
    // one installed a moment ago is used at once rather than after a minute.
    void reload();

    // The definition cut to the text limit, whole characters only, plus "…" when cut.
    static QString cut(const QString& text);

private:
    using Dictionaries = QList<std::shared_ptr<const Dictionary>>;

    std::shared_ptr<const DictionarySource> source() const;
    void replaceSource(std::shared_ptr<const DictionarySource> source);
    // The dictionaries, read again when the last reading is a minute old.
    Dictionaries allDictionaries() const;
    // Runs on the queue.
    QList<DictEntry> entries(const QString& word, const std::optional<QStringList>& ids,
                             qsizetype limit) const;
    std::optional<DictEntry> defaultEntry(const Dictionaries& list, const QString& word,
                                          const QStringList& active,
                                          const QStringList& alreadyAsked) const;
    // Runs `work` on the queue and waits for it; directly when already there.
    void runOnQueue(const std::function<void()>& work) const;

    Clock m_clock;

    mutable std::mutex m_sourceMutex;
    std::shared_ptr<const DictionarySource> m_source;

    struct CachedList {
        std::chrono::milliseconds date;
        Dictionaries dictionaries;
    };
    // Held while a stale list is read again, so that concurrent callers wait for that one.
    mutable std::mutex m_cacheMutex;
    mutable std::optional<CachedList> m_cachedList;

    // Last, so that it is destroyed first: the look-ups it still runs use the members above.
    mutable SerialQueue m_queue{QStringLiteral("com.korvane.verdolin.dictionary")};
};
