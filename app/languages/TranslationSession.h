#pragma once

#include "app/languages/TranslationBatchResult.h"
#include "app/languages/TranslationRequest.h"

#include <QFuture>
#include <QList>

// A warm translator for one installed variant pair.
class TranslationSession {
public:
    TranslationSession() = default;
    virtual ~TranslationSession() = default;
    TranslationSession(const TranslationSession&) = delete;
    TranslationSession& operator=(const TranslationSession&) = delete;

    // Translates a batch off the calling thread. Never throws: a failure is a result with an
    // error message. After cancel() the future may still finish; callers drop what it yields.
    virtual QFuture<TranslationBatchResult>
    translations(const QList<TranslationRequest>& requests) = 0;

    // Stops work on every pending batch of this session as soon as possible.
    virtual void cancel() = 0;
};
