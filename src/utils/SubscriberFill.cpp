#include "utils/SubscriberFill.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/FieldType.h"
#include "db/Sqlite.h"
#include "db/Transaction.h"

#include <QPair>
#include <QSet>

namespace orv::utils {
namespace {

const QString kAbTab = QStringLiteral("AbTab.DB");
const QString kPaneDate = QStringLiteral("PaneDate.DB");
// The work lock of filling the subscribers, shared by every seat of a server.
constexpr qint64 kSubscriberFillLock = qint64(0x4F5253) << 32;

// An account as the presence test sees it: the number and the tag folded to one case.
using Account = QPair<qint64, QString>;

Account account(qint64 number, const QString& priznak) { return {number, priznak.toCaseFolded()}; }

// The (AbNumber, Priznak) pairs a table holds now.
QSet<Account> accountsOf(db::Database& db, const QString& table) {
    QSet<Account> accounts;
    db::Statement scan =
        db.statement(QStringLiteral("SELECT AbNumber, Priznak FROM %1 WHERE AbNumber IS NOT NULL")
                         .arg(db.qualified(table)));
    while (scan.step()) accounts.insert(account(scan.columnInt(0), scan.column(1).toString()));
    return accounts;
}

// Adds rows to a table through one prepared statement, the values by position in the table's
// own field order; a text longer than its field is refused before writing.
class Appender {
  public:
    Appender(db::Database& db, const QString& table, int values)
        : fields_(db.fields(table).mid(0, values)),
          insert_(db.statement(statementText(db, table, fields_))) {}

    // Adds the row unless the account is there; counts what it adds.
    void addMissing(const Account& key, const QVariantList& values) {
        if (present_.contains(key)) return;
        insert_.reset();
        insert_.clearBindings();
        for (int i = 0; i < fields_.size() && i < values.size(); ++i)
            insert_.bind(i + 1, checked(fields_[i], db::toStorage(values[i], fields_[i].type)));
        insert_.run();
        present_.insert(key);
        ++added_;
    }

    void setPresent(QSet<Account> accounts) { present_ = std::move(accounts); }
    qint64 added() const { return added_; }

  private:
    static QString statementText(db::Database& db, const QString& table,
                                 const QList<db::FieldDef>& fields) {
        QStringList columns, marks;
        for (const db::FieldDef& f : fields) {
            columns.append(f.name);  // a declared name: letters, digits and "_"
            marks.append(QStringLiteral("?"));
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(db.qualified(table), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }

    static QVariant checked(const db::FieldDef& field, const QVariant& stored) {
        if (field.type == db::FieldType::String && field.size > 0 &&
            stored.toString().size() > field.size)
            raise(Error::Kind::Engine,
                  QStringLiteral("Запись отклонена: значение поля %1 длиннее %2 символов")
                      .arg(field.name)
                      .arg(field.size));
        return stored;
    }

    QList<db::FieldDef> fields_;
    db::Statement insert_;
    QSet<Account> present_;
    qint64 added_ = 0;
};

}  // namespace

SubscriberFillResult fillSubscribers(db::Database& db, qint64 from, qint64 to,
                                     const QString& priznak, const QString& exist) {
    if (from == 0 || to == 0)
        raise(Error::Kind::Refused, QStringLiteral("Неправильный ввод данных"));
    db::Transaction transaction(db, {kAbTab, kPaneDate});
    db.lockWork(kSubscriberFillLock, QStringLiteral("Абоненты уже заполняются на другом рабочем "
                                                    "месте; повторите позже"));
    Appender tableAbTab(db, kAbTab, 3);
    Appender tableDateOfPane(db, kPaneDate, 2);
    SubscriberFillResult result;
    if (to < from) return result;
    tableAbTab.setPresent(accountsOf(db, kAbTab));
    tableDateOfPane.setPresent(accountsOf(db, kPaneDate));
    auto counts = [&] {
        result.abTabAdded = tableAbTab.added();
        result.paneDateAdded = tableDateOfPane.added();
    };
    for (qint64 n = from; n <= to; ++n) {
        const Account key = account(n, priznak);
        try {
            tableAbTab.addMissing(key, {n, priznak, exist});
            tableDateOfPane.addMissing(key, {n, priznak});
        } catch (const Error& e) {
            // A full disk makes the engine give the whole transaction up: nothing was added.
            if (!db.inTransaction())
                raise(e.kind(), QStringLiteral("%1\nЗаполнение остановлено на номере %2; записи не "
                                               "добавлены.")
                                    .arg(e.message())
                                    .arg(n));
            transaction.commit();
            counts();
            raise(e.kind(), QStringLiteral("%1\nЗаполнение остановлено на номере %2; добавлено "
                                           "записей: AbTab %3, PaneDate %4.")
                                .arg(e.message())
                                .arg(n)
                                .arg(result.abTabAdded)
                                .arg(result.paneDateAdded));
        }
    }
    counts();
    transaction.commit();
    return result;
}

}  // namespace orv::utils
