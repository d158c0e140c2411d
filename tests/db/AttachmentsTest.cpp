// The parts under a Database on a folder, on their own: table file names in a folder and the
// attachment cache that keeps a connection within SQLite's ten attached files.

#include "TestSupport.h"
#include "db/Attachments.h"
#include "db/Sqlite.h"
#include "db/TableFiles.h"

#include <QFile>

using namespace orv;
using namespace orv::db;

using orv::test::errorOf;

namespace {

// A folder of table files, each holding one table of its own name, and a connection on it.
class Folder {
  public:
    Folder() : files_(dir_.path()), connection_(dir_.filePath(QStringLiteral(".main"))) {}

    void addTable(const QString& fileName) {
        Connection file(dir_.filePath(fileName));
        file.exec(QStringLiteral("CREATE TABLE %1 (x)")
                      .arg(quoteIdentifier(TableFiles::stripExtension(fileName))));
    }
    QStringList attachedSchemas() {
        Statement list(connection_, QStringLiteral("PRAGMA database_list"));
        QStringList schemas;
        while (list.step())
            if (const QString s = list.column(1).toString(); s != u"main" && s != u"temp")
                schemas.append(s);
        schemas.sort();
        return schemas;
    }

    QTemporaryDir dir_;
    TableFiles files_;
    Connection connection_;
};

}  // namespace

TEST(TableFiles, NamesFilesAndRefusesPathsForNewTables) {
    Folder f;
    f.addTable(QStringLiteral("zeta.DB"));
    f.addTable(QStringLiteral("Alpha.db"));
    QFile(f.dir_.filePath(QStringLiteral(".hidden.db"))).open(QIODevice::WriteOnly);
    QFile(f.dir_.filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly);
    EXPECT_EQ(f.files_.fileNames(), (QStringList{"Alpha.db", "zeta.DB"}));
    EXPECT_EQ(f.files_.canonicalName(QStringLiteral("ZETA.db")), QStringLiteral("zeta"));
    EXPECT_EQ(f.files_.path(QStringLiteral("alpha")), f.dir_.filePath(QStringLiteral("Alpha.db")));

    // A file made after the listing was read is found all the same.
    EXPECT_FALSE(f.files_.find(QStringLiteral("Late")));
    f.addTable(QStringLiteral("Late.db"));
    EXPECT_EQ(f.files_.find(QStringLiteral("late")), QStringLiteral("Late.db"));

    EXPECT_EQ(errorOf([&] { f.files_.path(QStringLiteral("Missing")); }),
              QStringLiteral("Таблица Missing не найдена"));
    for (const QString& bad : {QStringLiteral("../x"), QStringLiteral("a\\b"),
                               QStringLiteral(".orvanta-main"), QString::fromUtf8("a\0b", 3)})
        EXPECT_EQ(errorOf([&] { f.files_.newFilePath(bad, bad + QStringLiteral(".db")); }),
                  QStringLiteral("Имя таблицы «%1» не может быть путем к файлу").arg(bad));
    EXPECT_EQ(f.files_.newFilePath(QStringLiteral("New"), {}),
              f.dir_.filePath(QStringLiteral("New.db")));
}

TEST(Attachments, TheLeastRecentlyUsedUnpinnedFileMakesRoom) {
    Folder f;
    Attachments attachments(f.connection_, f.files_);
    for (int i = 0; i < Attachments::kLimit + 2; ++i)
        f.addTable(QStringLiteral("T%1.db").arg(i, 2, 10, QLatin1Char('0')));
    for (int i = 0; i < Attachments::kLimit; ++i)
        attachments.attach(QStringLiteral("T%1").arg(i, 2, 10, QLatin1Char('0')));
    attachments.pin(QStringLiteral("T00"));
    attachments.attach(QStringLiteral("T01"));  // used again: T02 is now the oldest free one

    attachments.attach(QStringLiteral("T10"));
    EXPECT_FALSE(attachments.isAttached(QStringLiteral("T02")));
    EXPECT_TRUE(attachments.isAttached(QStringLiteral("t00")));
    EXPECT_TRUE(attachments.isAttached(QStringLiteral("T01")));
    attachments.attach(QStringLiteral("T11"));
    EXPECT_FALSE(attachments.isAttached(QStringLiteral("T03")));
    EXPECT_EQ(f.attachedSchemas().size(), Attachments::kLimit);

    EXPECT_EQ(errorOf([&] { attachments.release(QStringLiteral("T00")); }),
              QStringLiteral("Таблица T00 используется"));
    attachments.unpin(QStringLiteral("T00"));
    attachments.release(QStringLiteral("T00"));
    EXPECT_FALSE(f.attachedSchemas().contains(QStringLiteral("T00")));

    attachments.pin(QStringLiteral("T11"));
    attachments.detachUnused();
    EXPECT_EQ(f.attachedSchemas(), QStringList{"T11"});
}

TEST(Attachments, AFileWithoutItsTableIsRefusedUnlessAboutToBeCreated) {
    Folder f;
    Attachments attachments(f.connection_, f.files_);
    Connection(f.dir_.filePath(QStringLiteral("Empty.db")))
        .exec(QStringLiteral("CREATE TABLE other (x)"));
    const QString refused = errorOf([&] { attachments.attach(QStringLiteral("Empty")); });
    EXPECT_EQ(refused, QStringLiteral("Файл %1 не содержит таблицы Empty")
                           .arg(f.dir_.filePath(QStringLiteral("Empty.db"))));
    EXPECT_TRUE(f.attachedSchemas().isEmpty());  // the refused file is not left attached
    const QString schema =
        attachments.attach(QStringLiteral("Empty"), Attachments::Tableless::Allowed);
    EXPECT_FALSE(attachments.holdsTable(schema, QStringLiteral("Empty")));

    // Schema names the engine keeps for itself are not taken by a table of that name.
    f.addTable(QStringLiteral("Main.db"));
    EXPECT_EQ(attachments.attach(QStringLiteral("Main")), QStringLiteral("t_Main"));

    attachments.attachFile(f.dir_.filePath(QStringLiteral("side.sqlite")), QStringLiteral("side"));
    EXPECT_EQ(errorOf([&] {
                  attachments.attachFile(f.dir_.filePath(QStringLiteral("side.sqlite")),
                                         QStringLiteral("SIDE"));
              }),
              QStringLiteral("Файл %1 уже подключен")
                  .arg(f.dir_.filePath(QStringLiteral("side.sqlite"))));
    attachments.detachUnused();  // a file attached by name is held until detached by name
    EXPECT_TRUE(f.attachedSchemas().contains(QStringLiteral("side")));
    attachments.detachFile(QStringLiteral("side"));
    EXPECT_FALSE(f.attachedSchemas().contains(QStringLiteral("side")));
}
