#pragma once

#include <QByteArray>
#include <QString>

// A small file that several processes rewrite whole (the history, the settings). Writers
// serialise on an advisory lock on "<path>.lock" beside it, so a read-modify-write of one
// process never drops what another wrote. Reads take only regular files and never block, so
// a folder or a FIFO in the file's place is reported instead of read as empty or waited on.
// Uses POSIX calls only: the file's owner writes it (atomically, by renaming a temporary).
class SharedFile {
public:
    enum class Status { Missing, Read, Unreadable };

    struct Contents {
        Status status = Status::Missing;
        QByteArray data;
        // Why the file could not be read.
        QString error;
    };

    // How many set-aside copies are kept: the newest and the numbered older ones.
    static constexpr int keptAsideCopies = 5;

    explicit SharedFile(QString path);
    // Releases the lock.
    ~SharedFile();

    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    const QString& path() const { return m_path; }
    QString lockPath() const { return m_path + QStringLiteral(".lock"); }

    // Waits until no other process holds the lock. False with a reason when the lock file
    // cannot be opened (its folder must exist).
    bool lock(QString* error = nullptr);

    Contents read() const;

    // Moves the file to `aside` ("x.bad.json"); earlier copies move on to "x.bad.1.json",
    // "x.bad.2.json" ..., and the oldest beyond keptAsideCopies is dropped.
    bool setAside(const QString& aside) const;
    // The n-th older copy beside `aside`; n = 0 is `aside` itself.
    static QString numberedAside(const QString& aside, int n);

private:
    QString m_path;
    int m_lockFd = -1;
};
