#include "db/FolderLock.h"

#include "core/Error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace orv::db {
namespace {

int openLockFile(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

}  // namespace

FolderLock::FolderLock(const QString& folder, const QString& name, const QString& heldMessage) {
    const QString file = QStringLiteral(".orvanta-%1.lock").arg(name);
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    QString path = absolute + QLatin1Char('/') + file;
    fd_ = openLockFile(path);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        path =
            QDir::tempPath() +
            QStringLiteral("/orvanta-%1-%2.lock").arg(name, QString::number(qHash(absolute), 16));
        fd_ = openLockFile(path);
    }
    if (fd_ < 0)
        raise(Error::Kind::Engine, QStringLiteral("Не удалось открыть файл блокировки %1: %2")
                                       .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    if (error == EWOULDBLOCK) raise(Error::Kind::Refused, heldMessage);
    raise(Error::Kind::Engine, QStringLiteral("Не удалось заблокировать файл %1: %2")
                                   .arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace orv::db
