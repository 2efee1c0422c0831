#pragma once

#include "app/capture/SelectionSource.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

struct xcb_connection_t;

// Reads the X11 PRIMARY selection (what is highlighted in any X client) as text, on a connection
// of its own so that it can block on a worker thread without touching Qt's. One read at a time
// per reader; reads from several threads queue on its lock.
class PrimarySelectionReader final : public SelectionSource {
public:
    enum class Outcome {
        text,      // `text` holds the selection (possibly empty)
        noOwner,   // nobody owns PRIMARY
        refused,   // the owner answered without data
        wrongType, // the owner answered with something that is not text
        tooLarge,  // more than the size cap
        timedOut,  // the owner did not answer in time
        noDisplay, // no X server reachable
    };

    struct Result {
        Outcome outcome = Outcome::noDisplay;
        QString text;
        bool operator==(const Result&) const = default;
    };

    // Enough for any selection worth translating, and the pasteboard's own cap.
    static constexpr std::int64_t defaultSizeCap = 16 * 1024 * 1024;
    // The longest an owner may take to answer one request (the conversion, or the next chunk of
    // an incremental transfer), and the whole read.
    static constexpr std::chrono::milliseconds defaultStepTimeout{250};
    static constexpr std::chrono::milliseconds defaultTotalTimeout{1000};

    // An empty name means DISPLAY. The connection opens on the first read.
    explicit PrimarySelectionReader(const QByteArray& displayName = {},
                                    std::int64_t sizeCap = defaultSizeCap);
    ~PrimarySelectionReader() override;
    PrimarySelectionReader(const PrimarySelectionReader&) = delete;
    PrimarySelectionReader& operator=(const PrimarySelectionReader&) = delete;

    Result read(std::chrono::milliseconds stepTimeout = defaultStepTimeout,
                std::chrono::milliseconds totalTimeout = defaultTotalTimeout);

    // The selection's text when it has any, with the default time-outs.
    std::optional<QString> selectedText() override;

    // The outcome for the bytes the owner delivered with this type and format: text only for
    // 8-bit UTF8_STRING (`utf8String`'s atom) or STRING, without trailing NULs.
    static Result textOf(std::uint32_t type, int format, QByteArray bytes,
                         std::uint32_t utf8String);

private:
    bool connect();
    void disconnect();
    Result readLocked(std::chrono::milliseconds stepTimeout,
                      std::chrono::milliseconds totalTimeout);

    QByteArray m_displayName;
    std::int64_t m_sizeCap;
    std::mutex m_lock;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_window = 0;
    std::uint32_t m_property = 0;
    std::uint32_t m_utf8String = 0;
    std::uint32_t m_incr = 0;
};
