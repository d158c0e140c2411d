#include "db/ScratchFolder.h"

#include "core/Error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv::db {
namespace {

const QString kPrefix = QStringLiteral(".orvanta-work-");
const QString kLockFile = QStringLiteral(".lock");

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The lock file of a folder, locked without waiting; -1 with errno set when it is not.
int lockOf(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder + QLatin1Char('/') + kLockFile).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

// Removes the folder when no one holds it; true when it is gone. A folder without its lock file
// that is less than a minute old may be one being made right now: it is left for a later start.
bool removeIfAbandoned(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) return true;
    if (!QFileInfo::exists(folder + QLatin1Char('/') + kLockFile) &&
        info.lastModified().secsTo(QDateTime::currentDateTime()) < 60)
        return false;
    const int fd = lockOf(folder);
    if (fd < 0 && errno == EWOULDBLOCK) return false;
    const bool removed = QDir(folder).removeRecursively();
    if (fd >= 0) ::close(fd);
    return removed;
}

}  // namespace

ScratchFolder::ScratchFolder(const QString& parent, const QString& what)
    : path_(QFileInfo(parent).absoluteFilePath() + QLatin1Char('/') + kPrefix + what) {
    if (!removeIfAbandoned(path_))
        raise(Error::Kind::Refused,
              QStringLiteral("Работа с папкой %1 уже выполняется другой командой")
                  .arg(QDir::toNativeSeparators(path_)));
    if (!QDir().mkpath(path_))
        raise(Error::Kind::Engine,
              QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(path_)));
    lockFolder();
}

ScratchFolder ScratchFolder::unique(const QString& parent, const QString& what) {
    QTemporaryDir made(QFileInfo(parent).absoluteFilePath() + QLatin1Char('/') + kPrefix + what +
                       QStringLiteral("-XXXXXX"));
    if (!made.isValid())
        raise(Error::Kind::Engine, QStringLiteral("Не удалось создать временную папку в %1: %2")
                                       .arg(QDir::toNativeSeparators(parent), made.errorString()));
    made.setAutoRemove(false);
    ScratchFolder folder;
    folder.path_ = made.path();
    folder.lockFolder();
    return folder;
}

void ScratchFolder::lockFolder() {
    fd_ = lockOf(path_);
    if (fd_ >= 0) return;
    const int error = errno;
    QDir(path_).removeRecursively();
    raise(Error::Kind::Engine, QStringLiteral("Не удалось заблокировать папку %1: %2")
                                   .arg(QDir::toNativeSeparators(path_), systemError(error)));
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_) {
    other.path_.clear();
    other.fd_ = -1;
}

ScratchFolder::~ScratchFolder() {
    if (!path_.isEmpty()) QDir(path_).removeRecursively();
    if (fd_ >= 0) ::close(fd_);
}

void syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const int rc = fd < 0 ? -1 : ::fsync(fd);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (rc != 0)
        raise(Error::Kind::Engine, QStringLiteral("Не удалось записать %1: %2")
                                       .arg(QDir::toNativeSeparators(path), systemError(error)));
}

void moveFile(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        raise(Error::Kind::Engine, QStringLiteral("Не удалось записать %1: %2")
                                       .arg(QDir::toNativeSeparators(to), systemError(errno)));
}

void removeAbandonedScratch(const QString& parent) {
    const QStringList names =
        QDir(parent).entryList({kPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden);
    for (const QString& name : names) removeIfAbandoned(parent + QLatin1Char('/') + name);
}

}  // namespace orv::db
