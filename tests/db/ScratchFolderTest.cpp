// Scratch folders: removed with their object, kept while a command holds them, removed when a
// killed command left them.

#include "core/Error.h"
#include "db/ScratchFolder.h"

#include "TestSupport.h"

#include <QFile>

namespace orv::test {
namespace {

TEST(ScratchFolder, HeldFoldersStayAndAbandonedOnesGo) {
    QTemporaryDir parent;
    QString held;
    {
        const db::ScratchFolder work(parent.path(), QStringLiteral("copy-AbTab"));
        held = work.path();
        QFile part(work.file(QStringLiteral("AbTab.db")));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.close();
        db::removeAbandonedScratch(parent.path());
        EXPECT_TRUE(QFile::exists(work.file(QStringLiteral("AbTab.db"))));
        EXPECT_THROW(db::ScratchFolder(parent.path(), QStringLiteral("copy-AbTab")), Error);
        const db::ScratchFolder other =
            db::ScratchFolder::unique(parent.path(), QStringLiteral("x"));
        EXPECT_NE(other.path(), held);
    }
    EXPECT_FALSE(QFileInfo::exists(held));

    // What a killed command leaves: the folder and its lock file, no one holding the lock.
    const QString left = parent.filePath(QStringLiteral(".orvanta-work-rebuild-DESTTAR.db"));
    ASSERT_TRUE(QDir().mkpath(left));
    for (const char* name : {".lock", "DESTTAR.db"}) {
        QFile f(left + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString unrelated = parent.filePath(QStringLiteral(".other"));
    ASSERT_TRUE(QDir().mkpath(unrelated));
    db::removeAbandonedScratch(parent.path());
    EXPECT_FALSE(QFileInfo::exists(left));
    EXPECT_TRUE(QFileInfo::exists(unrelated));
}

}  // namespace
}  // namespace orv::test
