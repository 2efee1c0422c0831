#include "core/SharedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What QFile::encodeName does, without reading files through Qt in this layer.
QByteArray nativePath(const QString& path) {
    return path.toLocal8Bit();
}

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SharedFile::SharedFile(QString path)
    : m_path(std::move(path)) {}

SharedFile::~SharedFile() {
    // Closing the descriptor releases the lock.
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool SharedFile::lock(QString* error) {
    if (m_lockFd >= 0)
        return true;
    const QByteArray name = nativePath(lockPath());
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (error)
            *error = errnoText(errno);
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

SharedFile::Contents SharedFile::read() const {
    Contents contents;
    const QByteArray name = nativePath(m_path);
    // Non-blocking, or opening a FIFO would wait for a writer forever.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            contents.status = Status::Missing;
            return contents;
        }
        contents.status = Status::Unreadable;
        contents.error = errnoText(errno);
        return contents;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        contents.status = Status::Unreadable;
        contents.error = QStringLiteral("not a regular file");
        ::close(fd);
        return contents;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            contents.data.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            contents.status = Status::Unreadable;
            contents.error = errnoText(errno);
            contents.data.clear();
            ::close(fd);
            return contents;
        }
        break;
    }
    ::close(fd);
    contents.status = Status::Read;
    return contents;
}

QString SharedFile::numberedAside(const QString& aside, int n) {
    if (n == 0)
        return aside;
    const QLatin1String extension(".json");
    const QString stem = aside.endsWith(extension) ? aside.chopped(extension.size()) : aside;
    return stem + QLatin1Char('.') + QString::number(n) + extension;
}

bool SharedFile::setAside(const QString& aside) const {
    // Oldest first, so that no copy is overwritten before it has moved on.
    ::unlink(nativePath(numberedAside(aside, keptAsideCopies - 1)).constData());
    for (int n = keptAsideCopies - 2; n >= 0; --n) {
        const QByteArray from = nativePath(numberedAside(aside, n));
        const QByteArray to = nativePath(numberedAside(aside, n + 1));
        ::rename(from.constData(), to.constData());
    }
    return ::rename(nativePath(m_path).constData(), nativePath(aside).constData()) == 0;
}
