// The table store on a PostgreSQL server: tables with the store's columns and indexes, whole
// aliases copied between a folder and a server, and statements of the local dialect giving the
// same rows on both engines.

#include "PgServer.h"
#include "ProgramStatementList.h"
#include "TestSupport.h"
#include "core/Error.h"
#include "db/Dialect.h"
#include "db/FolderStore.h"
#include "db/ServerStore.h"
#include "db/Table.h"
#include "utils/AliasCopy.h"

#include <QDir>

namespace orv::db {
namespace {

using test::pgServer;

// A table of every column type, with the values that are hard to carry between engines.
TableDef oddTable() {
    return {QStringLiteral("Odd"),
            {},
            {{QStringLiteral("N"), FieldType::Integer},
             {QStringLiteral("S"), FieldType::SmallInt},
             {QStringLiteral("F"), FieldType::Float},
             {QStringLiteral("T"), FieldType::String, 20},
             {QStringLiteral("D"), FieldType::Date},
             {QStringLiteral("H"), FieldType::Time}},
            {{QStringLiteral("ByN"), {QStringLiteral("N")}, false, true}}};
}

const QList<QVariantList> kOddRows = {
    {qint64(9007199254740993), qint64(-7), 0.1 + 0.2, QStringLiteral("таб\tи\nстрока\\\"'"),
     QDate(2026, 2, 28), QTime(23, 59, 59)},
    {qint64(0), QVariant(), -1e-300, QStringLiteral("\\N"), QVariant(), QTime(0, 0)},
    {qint64(-1), qint64(32767), QVariant(), QString(), QDate(1999, 12, 31), QVariant()},
};

QList<QVariantList> rowsOfStore(TableStore& store, const QString& table) {
    QList<QVariantList> rows;
    store.readRows(table, [&](const QVariantList& values) { rows.append(values); });
    return rows;
}

QStringList displayRows(const QList<QVariantList>& rows) {
    QStringList result;
    for (const QVariantList& row : rows) {
        QStringList values;
        for (const QVariant& v : row)
            values.append(v.isNull() ? QStringLiteral("NULL") : displayText(v));
        result.append(values.join(u'|'));
    }
    return result;
}

// Every row of a dialect statement on the server, fields as display texts joined by "|".
QStringList serverRows(ServerStore& store, const QString& sql,
                       const QList<QPair<QString, QVariant>>& parameters) {
    const DialectStatement statement(sql);
    const auto prepared = store.prepare(statement);
    for (const auto& [name, value] : parameters) prepared->bind(name, value);
    QStringList rows;
    while (prepared->step()) {
        QStringList values;
        for (int i = 0; i < prepared->columnCount(); ++i)
            values.append(displayText(prepared->column(i)));
        rows.append(values.join(u'|'));
    }
    return rows;
}

QStringList folderRows(Database& db, const QString& sql,
                       const QList<QPair<QString, QVariant>>& parameters) {
    Query query(db, sql);
    for (const auto& [name, value] : parameters) {
        if (value.typeId() == QMetaType::QDate)
            query.setDate(name, value.toDate());
        else if (value.typeId() == QMetaType::QTime)
            query.setTime(name, value.toTime());
        else if (value.typeId() == QMetaType::QString)
            query.setString(name, value.toString());
        else if (value.typeId() == QMetaType::Double)
            query.setFloat(name, value.toDouble());
        else
            query.setInteger(name, value.toLongLong());
    }
    query.open();
    return test::rowsOf(query);
}

class ServerStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        server_ = std::make_unique<ServerStore>(pgServer().newDatabase());
    }
    std::unique_ptr<ServerStore> server_;
};

TEST_F(ServerStoreTest, AliasCopiedToTheServerAndBackKeepsEveryValueAndIndex) {
    test::TempDatabase source;
    source.create(oddTable());
    source.create(schema::prazdn());
    {
        Table odd(source.db(), QStringLiteral("Odd"));
        odd.open();
        for (const QVariantList& row : kOddRows) odd.appendRecord(row);
        Table prazdn(source.db(), QStringLiteral("Prazdn"));
        prazdn.open();
        prazdn.appendRecord({QDate(2026, 1, 1)});
    }
    FolderStore folder(std::make_unique<Database>(QStringLiteral("Src"), source.path()));
    const auto up = utils::copyAlias(folder, *server_);
    ASSERT_EQ(up.size(), 2);
    EXPECT_EQ(up[0], qMakePair(QStringLiteral("Odd"), qint64(3)));
    EXPECT_EQ(up[1], qMakePair(QStringLiteral("Prazdn"), qint64(1)));
    EXPECT_EQ(displayRows(rowsOfStore(*server_, QStringLiteral("Odd"))), displayRows(kOddRows));

    // The server refuses what the files refuse: a second row of a key, a value too long.
    PgConnection pg(server_->connection().address());
    try {
        pg.execute(QStringLiteral("INSERT INTO prazdn VALUES ($1)"), {QDate(2026, 1, 1)});
        ADD_FAILURE() << "duplicate key accepted";
    } catch (const PgError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Запись с таким ключом уже есть")));
    }
    EXPECT_THROW(pg.execute(QStringLiteral("INSERT INTO odd (t) VALUES ($1)"), {QString(21, u'x')}),
                 PgError);
    EXPECT_EQ(pg.scalar(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE tablename = "
                                       "'odd' AND indexname = 'odd_byn'"))
                  .toLongLong(),
              1);

    test::TempDatabase back;
    FolderStore backFolder(std::make_unique<Database>(QStringLiteral("Back"), back.path()));
    ServerStore reader(pg.address());
    utils::copyAlias(reader, backFolder);
    EXPECT_EQ(displayRows(rowsOfStore(backFolder, QStringLiteral("Odd"))), displayRows(kOddRows));
    const TableDef def = back.db().tableDef(QStringLiteral("Prazdn"));
    EXPECT_EQ(def.fileName, QStringLiteral("Prazdn.db"));
    ASSERT_EQ(def.indexes.size(), 1);
    EXPECT_TRUE(def.indexes[0].unique);
    EXPECT_EQ(back.db().tableDef(QStringLiteral("Odd")).fields.size(), 6);
}

// A source that fails while its second table is read, as a lost connection or a damaged file
// would; or, with a value too long for its field, where the target refuses the row.
class FailingStore : public TableStore {
  public:
    explicit FailingStore(bool tooLong = false) : tooLong_(tooLong) {}
    QString description() const override { return QStringLiteral("источник"); }
    QStringList tableNames() override { return {QStringLiteral("Odd"), QStringLiteral("Prazdn")}; }
    TableDef tableDef(const QString& name) override {
        return name == QLatin1String("Odd") ? oddTable() : schema::prazdn();
    }
    void readRows(const QString& name,
                  const std::function<void(const QVariantList&)>& row) override {
        if (name == QLatin1String("Prazdn")) {
            if (tooLong_) return row({QDate(2026, 5, 1)});
            raise(Error::Kind::Engine, QStringLiteral("Связь потеряна"));
        }
        for (const QVariantList& values : kOddRows) row(values);
        if (tooLong_) row({1, 1, 1.0, QString(21, u'я')});
    }
    void load(const QStringList&, const std::function<void(Loader&)>&) override {}

  private:
    bool tooLong_;
};

TEST_F(ServerStoreTest, ACopyThatFailsLeavesNoTableOnEitherEngine) {
    for (const bool tooLong : {false, true}) {
        SCOPED_TRACE(tooLong ? "value too long" : "source lost");
        FailingStore failing(tooLong);
        EXPECT_THROW(utils::copyAlias(failing, *server_), Error);
        EXPECT_TRUE(server_->tableNames().isEmpty());

        test::TempDatabase folder;
        FolderStore store(std::make_unique<Database>(QStringLiteral("F"), folder.path()));
        EXPECT_THROW(utils::copyAlias(failing, store), Error);
        EXPECT_TRUE(store.tableNames().isEmpty());
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral(".orvanta-main")});
    }
    // The connection is usable after the failed load.
    EXPECT_NO_THROW(server_->connection().exec(QStringLiteral("CREATE TABLE after (x int)")));
}

TEST_F(ServerStoreTest, ACopyOntoTablesThatExistIsRefusedAndChangesNothing) {
    server_->connection().exec(QStringLiteral("CREATE TABLE prazdn (x int)"));
    test::TempDatabase source;
    source.create(oddTable());
    source.create(schema::prazdn());
    FolderStore folder(std::make_unique<Database>(QStringLiteral("Src"), source.path()));
    try {
        utils::copyAlias(folder, *server_);
        ADD_FAILURE() << "copied";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Refused);
        EXPECT_TRUE(e.message().contains(QStringLiteral("таблицы Prazdn уже есть")))
            << e.message().toStdString();
    }
    EXPECT_EQ(server_->tableNames(), QStringList{QStringLiteral("Prazdn")});
}

TEST_F(ServerStoreTest, ATableMadeOnTheServerByHandComesToTheFilesWithTypesThatFit) {
    server_->connection().exec(QStringLiteral(
        "CREATE TABLE \"Extra\" (a integer, b numeric(10,2), c text, d varchar(4) NOT NULL, "
        "e timestamp, f time, g smallint, h boolean);"
        "INSERT INTO \"Extra\" VALUES (7, 12.5, 'длинный текст', 'abcd', "
        "'2026-03-01 08:30:00', '12:00:01', 3, true)"));
    ASSERT_EQ(server_->tableNames(), QStringList{QStringLiteral("Extra")});
    const TableDef def = server_->tableDef(QStringLiteral("EXTRA.db"));
    EXPECT_EQ(def.name, QStringLiteral("Extra"));
    QStringList types;
    for (const FieldDef& f : def.fields) types.append(sqlTypeName(f));
    EXPECT_EQ(types.join(u' ').toStdString(),
              "INTEGER FLOAT VARCHAR VARCHAR(4) TIMESTAMP TIME SMALLINT SMALLINT");
    EXPECT_TRUE(def.fields[3].required);

    test::TempDatabase files;
    FolderStore folder(std::make_unique<Database>(QStringLiteral("F"), files.path()));
    utils::copyAlias(*server_, folder);
    EXPECT_EQ(
        displayRows(rowsOfStore(folder, QStringLiteral("Extra"))),
        QStringList{QStringLiteral("7|12.5|длинный текст|abcd|01.03.2026 08:30:00|12:00:01|3|1")});
}

// The calls and subscribers both engines are given for the dialect checks.
void fillCallFixture(test::TempDatabase& t) {
    t.create(schema::desttar());
    t.create(schema::abTab());
    t.create(schema::prazdn());
    t.create(schema::vechTm());
    Table calls(t.db(), QStringLiteral("DESTTAR"));
    calls.open();
    const QList<QVariantList> rows = {
        {2001, QDate(2026, 1, 1), QTime(10, 0), 65, 1, 2002, QVariant(), QVariant(), QVariant()},
        {2001, QDate(2026, 1, 31), QTime(23, 59, 59), 600, 8, qint64(84951234567),
         QStringLiteral("495"), QVariant(), 3.0},
        {2002, QDate(2026, 2, 1), QTime(0, 0), 1, 9, qint64(810441234567), QStringLiteral("810"),
         QStringLiteral("44"), 1.5},
        {2003, QDate(2026, 1, 15), QTime(7, 0), 120, 8, qint64(84951234567), QStringLiteral("495"),
         QVariant(), 3.0},
    };
    for (const QVariantList& row : rows) calls.appendRecord(row);
    Table subscribers(t.db(), QStringLiteral("AbTab"));
    subscribers.open();
    subscribers.appendRecord({2001, QStringLiteral("DAY"), QStringLiteral("YES"),
                              QStringLiteral("Иванов"), QStringLiteral("1"), QStringLiteral("2")});
    subscribers.appendRecord(
        {2002, QStringLiteral("VECH"), QStringLiteral("YES"), QStringLiteral("Петрова")});
    subscribers.appendRecord({2003, QStringLiteral("DAY"), QStringLiteral("NO")});
    Table holidays(t.db(), QStringLiteral("Prazdn"));
    holidays.open();
    holidays.appendRecord({QDate(2026, 1, 1)});
    Table evening(t.db(), QStringLiteral("VechTm"));
    evening.open();
    evening.appendRecord({QTime(22, 0), QTime(7, 0)});
}

TEST_F(ServerStoreTest, DialectStatementsGiveTheSameRowsOnBothEngines) {
    test::TempDatabase files;
    fillCallFixture(files);
    FolderStore folder(std::make_unique<Database>(QStringLiteral("F"), files.path()));
    utils::copyAlias(folder, *server_);

    using Params = QList<QPair<QString, QVariant>>;
    const struct Case {
        const char* sql;
        Params parameters;
    } cases[] = {
        {"SELECT dt.AbNumber, ab.FIO Фамилия, dt.Longivity FROM Desttar.db dt, AbTab ab "
         "WHERE dt.AbNumber = ab.AbNumber AND ab.Exist = \"YES\" ORDER BY dt.AbNumber, "
         "dt.Date_of_call",
         {}},
        {"SELECT AbNumber, Date_of_call FROM DESTTAR WHERE Date_of_call <>ALL (SELECT "
         "Prazdn_day FROM Prazdn) AND Date_of_call < \"01.02.2026\" ORDER BY 1, 2",
         {}},
        {"SELECT AbNumber FROM DESTTAR WHERE Date_of_call =ANY (SELECT Prazdn_day FROM Prazdn)",
         {}},
        {"SELECT AbNumber, Time_of_call FROM DESTTAR dt, VechTm vt WHERE dt.Time_of_call "
         "BETWEEN vt.Time_from AND \"23:59:59\" OR dt.Time_of_call BETWEEN \"00:00\" AND "
         "vt.Time_to ORDER BY 1, 2",
         {}},
        {"SELECT AbNumber, COUNT(*) Звонков, SUM(Longivity) Секунд, SUM(TRF*Longivity) FROM "
         "DESTTAR WHERE (Date_of_call BETWEEN :DateFrom AND :dateTo) AND Cat > :Cat GROUP BY "
         "AbNumber ORDER BY AbNumber",
         {{QStringLiteral("DateFrom"), QDate(2026, 1, 1)},
          {QStringLiteral("DateTo"), QDate(2026, 1, 31)},
          {QStringLiteral("Cat"), 7}}},
        {"SELECT AbNumber, Code, CodeForeign FROM DESTTAR WHERE AbNumber BETWEEN :N AND :N + 1 "
         "ORDER BY AbNumber, Date_of_call",
         {{QStringLiteral("N"), 2001}}},
        {"SELECT Priznak, COUNT(*) FROM AbTab WHERE FIO IS NULL OR Exist = :E GROUP BY Priznak "
         "ORDER BY Priznak",
         {{QStringLiteral("E"), QStringLiteral("YES")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const QString sql = QString::fromUtf8(c.sql);
        const QStringList expected = folderRows(files.db(), sql, c.parameters);
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_EQ(serverRows(*server_, sql, c.parameters), expected);
    }
}

// The program's own selecting statements over the permanent tables (the listings, the first
// steps of both pipelines, the debt run's reads) give the same rows on both engines.
TEST_F(ServerStoreTest, ProgramSelectionsGiveTheSameRowsOnBothEngines) {
    test::TempDatabase files;
    fillCallFixture(files);
    for (const TableDef* def :
         {&schema::oldMg(), &schema::tarifCit(), &schema::tarif1(), &schema::dolgTb(),
          &schema::paneDate(), &schema::prDlgCt(), &schema::prDlgMg()})
        files.create(*def);
    Table debts(files.db(), QStringLiteral("DolgTb"));
    debts.open();
    debts.appendRecord({2001, QStringLiteral("DAY"), QDate(2026, 1, 1), QDate(2025, 12, 1), 120.5,
                        80.25, 24.1, 3.0, 0.0, 150.0});
    Table paid(files.db(), QStringLiteral("PaneDate"));
    paid.open();
    paid.appendRecord({2001, QStringLiteral("DAY"), QDate(2026, 1, 20), 200.0, 100.0});
    FolderStore folder(std::make_unique<Database>(QStringLiteral("F"), files.path()));
    utils::copyAlias(folder, *server_);

    using Params = QList<QPair<QString, QVariant>>;
    const Params values = {
        {QStringLiteral("NumberFrom"), 0},
        {QStringLiteral("NumberTo"), 9999999},
        {QStringLiteral("DateFrom"), QDate(2000, 1, 1)},
        {QStringLiteral("DateTo"), QDate(2100, 12, 31)},
        {QStringLiteral("TimeFrom"), QTime(0, 0)},
        {QStringLiteral("TimeTo"), QTime(23, 59, 59)},
        {QStringLiteral("TimeFrom1"), QTime(0, 0)},
        {QStringLiteral("TimeTo1"), QTime(0, 0)},
        {QStringLiteral("DateOfRas"), QDate(2026, 2, 1)},
        {QStringLiteral("CurrNumber"), 2001},
    };
    int compared = 0;
    for (const test::ProgramStatement& s : test::programStatements()) {
        const QString sql = s.lines.join(u'\n');
        const DialectStatement statement(sql);
        bool permanent = statement.isSelecting();
        for (const TableRef& ref : statement.tables())
            permanent = permanent && schema::find(ref.name) != nullptr;
        if (!permanent) continue;
        SCOPED_TRACE(s.name);
        Params bound;
        for (const auto& value : values)
            if (statement.parameters().contains(value.first, Qt::CaseInsensitive))
                bound.append(value);
        QStringList expected = folderRows(files.db(), sql, bound);
        QStringList actual = serverRows(*server_, sql, bound);
        expected.sort();
        actual.sort();
        EXPECT_EQ(actual, expected);
        ++compared;
    }
    EXPECT_GE(compared, 8);
}

TEST_F(ServerStoreTest, ProgramStatementsTranslateAndRunOnTheServer) {
    PgConnection& pg = server_->connection();
    for (const TableDef* def :
         {&schema::desttar(), &schema::oldMg(), &schema::abTab(), &schema::vechTm(),
          &schema::prazdn(), &schema::tarifCit(), &schema::tarif1(), &schema::prDlgCt(),
          &schema::prDlgMg(), &schema::dolgTb(), &schema::paneDate()})
        for (const QString& sql : ServerStore::createStatements(*def)) pg.exec(sql);
    const QString call = QStringLiteral(
        "abnumber bigint, priznak varchar(10), date_of_call date, time_of_call time, "
        "longivity bigint");
    const QString totals = QStringLiteral(
        "(abnumber bigint, priznak varchar(10), count_of_calls bigint, sum_of_long float, "
        "sum_of_cost float, date_of_raschet date)");
    pg.exec(QStringLiteral(
                "CREATE TABLE tabctpr (%1); CREATE TABLE tabctgr1 (data date, %1); "
                "CREATE TABLE tabctgr2 (%1, data date, cost float, rescost float); "
                "CREATE TABLE tabmgpr (%1, trf float); "
                "CREATE TABLE tabmggr1 (data date, %1, trf float); "
                "CREATE TABLE tabmggr2 (%1, trf float, data date, cost_k float, rescost float); "
                "CREATE TABLE taballgr (%1, rescost float); CREATE TABLE dolgres %2")
                .arg(call, totals));
    for (const test::ProgramStatement& s : test::programStatements()) {
        SCOPED_TRACE(s.name);
        const DialectStatement statement(s.lines.join(u'\n'));
        const auto prepared = server_->prepare(statement);
        for (const QString& name : statement.parameters()) prepared->bind(name, QVariant());
        EXPECT_NO_THROW(prepared->run());
    }
}

TEST(ServerDialect, ParametersBecomePositionsAndQuotedColumnsLowerCase) {
    const DialectStatement statement(
        QStringLiteral("SELECT a.\"ALL\" FROM ABPLATA a WHERE a.DATA >= :From AND a.DATA < :to AND "
                       "a.DATA <> :FROM AND a.BUDG = \"YES\""));
    const QString server = statement.render(
        [](const TableRef& ref) { return ServerStore::serverName(ref.name); }, SqlTarget::Postgres);
    EXPECT_EQ(server.toStdString(),
              "SELECT a.\"all\" FROM abplata a WHERE a.DATA >= $1 AND a.DATA < $2 AND "
              "a.DATA <> $1 AND a.BUDG = 'YES'");
    EXPECT_EQ(statement.render([](const TableRef& ref) { return ref.name; }).toStdString(),
              "SELECT a.\"ALL\" FROM ABPLATA a WHERE a.DATA >= :From AND a.DATA < :to AND "
              "a.DATA <> :From AND a.BUDG = 'YES'");
}

}  // namespace
}  // namespace orv::db
