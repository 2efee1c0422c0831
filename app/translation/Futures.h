#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

// Continuations on the main thread that die with their owner.
namespace Futures {

// Calls `callback(future)` on `context`'s thread once `future` has finished or was cancelled,
// never synchronously from this call. Nothing is called once `context` is destroyed, so a
// callback may use the context freely (and may destroy it).
template <typename T, typename F>
void whenFinished(const QFuture<T>& future, QObject* context, F&& callback) {
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, callback = std::forward<F>(callback)]() mutable {
                         const QFuture<T> done = watcher->future();
                         watcher->deleteLater();
                         // The callback may destroy the context, and with it this lambda.
                         auto call = std::move(callback);
                         call(done);
                     });
    watcher->setFuture(future);
}

// The result of a finished future, or `fallback` when it ended without one (cancelled).
template <typename T>
T resultOr(const QFuture<T>& future, T fallback) {
    return future.resultCount() > 0 ? future.result() : std::move(fallback);
}

// A future that has already finished with `value`.
template <typename T>
QFuture<T> ready(T value) {
    return QtFuture::makeReadyFuture(std::move(value));
}

// Runs `work` on the global thread pool; its result through the future.
template <typename F>
auto onPool(F&& work) -> QFuture<std::invoke_result_t<F>> {
    using T = std::invoke_result_t<F>;
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, work = std::forward<F>(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

} // namespace Futures
