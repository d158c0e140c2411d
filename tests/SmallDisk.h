#pragma once
// A full disk for the tests: a small tmpfs of its own mounted on a folder, unmounted with the
// object. Mounting needs root; mounted() tells whether it worked (the test skips otherwise).

#include <sys/mount.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace orv::test {

class SmallDisk {
  public:
    SmallDisk(const QString& folder, const QByteArray& size) : folder_(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        mounted_ =
            ::mount("tmpfs", folder_.constData(), "tmpfs", 0, ("size=" + size).constData()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(folder_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }

    // Takes up every free byte with a filler file; removing it frees them again.
    void fillUp() const {
        QFile filler(QFile::decodeName(folder_) + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'x');
        while (filler.write(byte) == 1) {
        }
    }
    void freeUp() const { QFile::remove(QFile::decodeName(folder_) + QStringLiteral("/filler")); }

  private:
    QByteArray folder_;
    bool mounted_ = false;
};

}  // namespace orv::test
