#include "db/FolderStore.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/ScratchFolder.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace orv::db {
namespace {

QString insertSql(const TableDef& def) {
    QStringList marks;
    for (qsizetype i = 0; i < def.fields.size(); ++i) marks.append(QStringLiteral("?"));
    return QStringLiteral("INSERT INTO main.%1 VALUES (%2)")
        .arg(quoteIdentifier(def.name), marks.join(u','));
}

// Fills the tables of a scratch folder, each file on a connection of its own in one
// transaction, committed when the next table begins or the load ends; a table's indexes are
// built after its rows, which is quicker than keeping them up to date row by row.
class ScratchLoader : public TableStore::Loader {
  public:
    explicit ScratchLoader(const QString& folder) : db_(QStringLiteral("Copy"), folder) {}

    void createTable(const TableDef& def) override {
        finishTable();
        TableDef bare = def;
        bare.indexes.clear();
        db_.createTable(bare);
        def_ = def;
        files_.append(QFileInfo(db_.tableFilePath(def.name)).fileName());
        file_.emplace(db_.tableFilePath(def.name));
        file_->exec(QStringLiteral("BEGIN"));
        insert_.emplace(*file_, insertSql(def));
    }

    void append(const QVariantList& values) override {
        if (!insert_) raise(Error::Kind::Engine, QStringLiteral("Строка без таблицы"));
        for (qsizetype i = 0; i < def_.fields.size(); ++i)
            insert_->bind(int(i + 1), toStorage(values.value(i), def_.fields[i].type));
        insert_->run();
        insert_->reset();
    }

    // Commits the table being filled; returns the file names of every table made.
    QStringList finish() {
        finishTable();
        return files_;
    }

  private:
    void finishTable() {
        if (!file_) return;
        insert_.reset();
        file_->exec(QStringLiteral("COMMIT"));
        file_.reset();
        for (const IndexDef& index : def_.indexes) db_.addIndex(def_.name, index);
    }

    Database db_;
    TableDef def_;
    std::optional<Connection> file_;
    std::optional<Statement> insert_;
    QStringList files_;
};

}  // namespace

FolderStore::FolderStore(std::unique_ptr<Database> database) : db_(std::move(database)) {}

FolderStore::~FolderStore() = default;

QString FolderStore::description() const { return QStringLiteral("папка ") + db_->folder(); }

QStringList FolderStore::tableNames() { return db_->tableNames(); }

TableDef FolderStore::tableDef(const QString& name) { return db_->tableDef(name); }

void FolderStore::readRows(const QString& name,
                           const std::function<void(const QVariantList&)>& row) {
    const TableDef def = db_->tableDef(name);
    Connection file(db_->tableFilePath(name));
    Statement select(
        file,
        QStringLiteral("SELECT * FROM main.%1 ORDER BY rowid").arg(quoteIdentifier(def.name)));
    QVariantList values;
    while (select.step()) {
        values.clear();
        for (qsizetype i = 0; i < def.fields.size(); ++i)
            values.append(fromStorage(select.column(int(i)), def.fields[i].type));
        row(values);
    }
}

void FolderStore::load(const QStringList& names, const std::function<void(Loader&)>& load) {
    for (const QString& name : names)
        if (db_->tableExists(name))
            raise(Error::Kind::Refused,
                  QStringLiteral("Таблица %1 уже есть: %2").arg(name, description()));
    const ScratchFolder scratch = ScratchFolder::unique(db_->folder(), QStringLiteral("load"));
    ScratchLoader loader(scratch.path());
    load(loader);
    const QStringList files = loader.finish();
    for (const QString& file : files) syncFile(scratch.file(file));
    QStringList moved;
    try {
        for (const QString& file : files) {
            const QString target = db_->folder() + u'/' + file;
            if (QFileInfo::exists(target))
                raise(Error::Kind::Refused,
                      QStringLiteral("Таблица %1 появилась во время копирования: %2")
                          .arg(file, description()));
            moveFile(scratch.file(file), target);
            moved.append(target);
        }
    } catch (const Error&) {
        for (const QString& target : moved) QFile::remove(target);
        throw;
    }
}

}  // namespace orv::db
