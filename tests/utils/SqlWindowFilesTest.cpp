// Statement files of the SQL window: lines written with CR LF and read back, also files written
// with bare LF; unreadable and unwritable files refused with the system's message; captions.

#include "core/Error.h"
#include "utils/SqlWindowFiles.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace orv;

TEST(SqlWindowFiles, LinesRoundTripWithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dolg.sql"));
    const QStringList lines = {QStringLiteral("SELECT AbNumber Номер"), QString(),
                               QStringLiteral("FROM DolgTb WHERE Dolg > 0")};
    utils::writeSqlFile(path, lines);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 3);
    EXPECT_EQ(utils::readSqlFile(path), lines);

    const QString lf = dir.filePath(QStringLiteral("lf.sql"));
    QFile plain(lf);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("SELECT *\nFROM AbTab");
    plain.close();
    EXPECT_EQ(utils::readSqlFile(lf),
              (QStringList{QStringLiteral("SELECT *"), QStringLiteral("FROM AbTab")}));
}

TEST(SqlWindowFiles, FailuresAndCaptions) {
    QTemporaryDir dir;
    EXPECT_THROW(utils::readSqlFile(dir.filePath(QStringLiteral("missing.sql"))), Error);
    EXPECT_THROW(utils::writeSqlFile(dir.filePath(QStringLiteral("no/such/dir/a.sql")), {}), Error);
    EXPECT_EQ(utils::sqlCaption({}), QStringLiteral("SQL"));
    EXPECT_EQ(utils::sqlCaption(QStringLiteral("/home/op/SQL/dolg.sql")),
              QStringLiteral("SQL dolg.sql"));
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    const QString folder = utils::sqlFolder();
    EXPECT_TRUE(folder.endsWith(QStringLiteral("Orvanta/SQL")));
    EXPECT_TRUE(QDir(folder).exists());
}
