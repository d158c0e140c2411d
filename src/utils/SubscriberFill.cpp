#include "utils/SubscriberFill.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/Table.h"
#include "db/Transaction.h"

#include <QPair>
#include <QSet>

namespace orv::utils {
namespace {

const QString kAbTab = QStringLiteral("AbTab.DB");
const QString kPaneDate = QStringLiteral("PaneDate.DB");

// An account as the presence test sees it: the number and the tag folded to one case.
using Account = QPair<qint64, QString>;

Account account(qint64 number, const QString& priznak) {
    return {number, priznak.toCaseFolded()};
}

// The (AbNumber, Priznak) pairs a table holds now.
QSet<Account> accountsOf(db::Database& db, const QString& table) {
    QSet<Account> accounts;
    db::Statement scan(db.connection(),
                       QStringLiteral("SELECT AbNumber, Priznak FROM %1 WHERE AbNumber IS NOT NULL")
                           .arg(db.qualified(table)));
    while (scan.step()) accounts.insert(account(scan.columnInt(0), scan.column(1).toString()));
    return accounts;
}

// Adds the row unless the account is there; counts what it adds.
void addMissing(db::Table& table, QSet<Account>& present, const Account& key,
                const QVariantList& values, qint64& added) {
    if (present.contains(key)) return;
    table.appendRecord(values);
    present.insert(key);
    ++added;
}

}  // namespace

SubscriberFillResult fillSubscribers(db::Database& db, qint64 from, qint64 to,
                                     const QString& priznak, const QString& exist) {
    if (from == 0 || to == 0)
        raise(Error::Kind::Refused, QStringLiteral("Неправильный ввод данных"));
    db::Transaction transaction(db, {kAbTab, kPaneDate});
    db::Table tableAbTab(db, kAbTab);
    db::Table tableDateOfPane(db, kPaneDate);
    tableAbTab.open();
    tableDateOfPane.open();
    SubscriberFillResult result;
    if (to < from) return result;
    QSet<Account> inAbTab = accountsOf(db, kAbTab);
    QSet<Account> inPaneDate = accountsOf(db, kPaneDate);
    for (qint64 n = from; n <= to; ++n) {
        const Account key = account(n, priznak);
        try {
            addMissing(tableAbTab, inAbTab, key, {n, priznak, exist}, result.abTabAdded);
            addMissing(tableDateOfPane, inPaneDate, key, {n, priznak}, result.paneDateAdded);
        } catch (const Error& e) {
            transaction.commit();
            raise(e.kind(), QStringLiteral("%1\nЗаполнение остановлено на номере %2; добавлено "
                                           "записей: AbTab %3, PaneDate %4.")
                                .arg(e.message())
                                .arg(n)
                                .arg(result.abTabAdded)
                                .arg(result.paneDateAdded));
        }
    }
    transaction.commit();
    return result;
}

}  // namespace orv::utils
