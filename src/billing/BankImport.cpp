#include "billing/BankImport.h"

#include "billing/PaymentJournal.h"
#include "calls/SpeedIndexes.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "db/ServerStore.h"
#include "db/Transaction.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace orv::billing {
namespace {

using Heap = PlannedDocument::Heap;
using Display = core::ViewColumn::Display;

const QString kBankDocs = QStringLiteral("BankDocs");
const QString kPosted = QStringLiteral("POSTED");
const QString kOpen = QStringLiteral("OPEN");
constexpr int kEnteredByWidth = 29;

// Account numbers compared by their digits: banks write them with or without spaces.
QString digitsOf(const QString& account) {
    QString digits;
    for (const QChar c : account)
        if (c.isDigit()) digits += c;
    return digits;
}

QString categoryKey(const QString& category) { return category.toCaseFolded(); }

QString accountKey(qint64 number, const QString& category) {
    return QString::number(number) + QLatin1Char('|') + categoryKey(category);
}

QString documentKey(const QString& number, const QDate& date, const Money& amount,
                    const QString& payerAccount) {
    return QStringList{number, date.toString(Qt::ISODate), QString::number(amount.units()),
                       digitsOf(payerAccount)}
        .join(QChar(0x1f));
}

QString documentKey(const BankDocument& doc) {
    return documentKey(doc.number, doc.date, doc.amount, doc.payerAccount);
}

QString requireOurAccount(const QString& ourAccount) {
    const QString digits = digitsOf(ourAccount);
    if (digits.isEmpty() || digits.count(QLatin1Char('0')) == digits.size())
        raise(Error::Kind::Refused,
              QStringLiteral("Не задан расчетный счет оператора: укажите его в реквизитах "
                             "(Настройки, Реквизиты)"));
    return digits;
}

// The work lock of the bank statement's writes, shared by every seat of a server.
constexpr qint64 kBankWorkLock = qint64(0x42414E4B) << 32;
const QString kBankWorkBusy =
    QStringLiteral("Выписка банка уже проводится на другом рабочем месте; повторите позже");

// The column that holds the code of a kept document: the table file's row number, or on a
// server the column that numbers the rows in the order they were added.
QString documentId(const db::Database& db) {
    return db.isServer() ? db::ServerStore::rowNumberColumn() : QStringLiteral("rowid");
}

// A server's BankDocs made before it numbered its rows gets the column, its rows numbered in
// their stored order (the order they were copied up in).
void numberServerRows(db::Database& db) {
    db::Statement has = db.statement(
        QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema = "
                       "current_schema() AND table_name = ? AND column_name = ?"));
    has.bind(1, db::ServerStore::serverName(kBankDocs));
    has.bind(2, db::ServerStore::rowNumberColumn());
    has.step();
    const bool numbered = has.columnInt(0) > 0;
    has.run();
    if (!numbered)
        db.execute(db::ServerStore::addRowNumbersSql(db::ServerStore::serverName(kBankDocs)));
}

void ensureBankDocs(db::Database& db) {
    if (!db.tableExists(kBankDocs)) db.createTable(db::schema::bankDocs());
    if (db.isServer()) numberServerRows(db);
}

// A document stored before: posted, or kept as unmatched.
struct StoredDocument {
    qint64 id = 0;
    bool posted = false;
    QString fileName;
};

// What the matching reads of the tables.
struct Books {
    QHash<qint64, QStringList> categories;  // AbTab.DB: the categories of each number
    QSet<QString> debts;                    // DolgTb.db: accounts with a debt row
    QHash<qint64, QString> paymentRows;     // PaneDate.DB: the category of each number's row
    QHash<QString, StoredDocument> stored;  // BankDocs.db by document key
};

Books readBooks(db::Database& db) {
    Books books;
    {
        db::Statement read = db.statement(QStringLiteral("SELECT AbNumber, Priznak FROM %1")
                                              .arg(db.qualified(QStringLiteral("AbTab"))));
        while (read.step()) {
            QStringList& list = books.categories[read.columnInt(0)];
            const QString category = read.column(1).toString();
            if (!list.contains(category, Qt::CaseInsensitive)) list.append(category);
        }
    }
    {
        db::Statement read = db.statement(QStringLiteral("SELECT AbNumber, Priznak FROM %1")
                                              .arg(db.qualified(QStringLiteral("DolgTb"))));
        while (read.step())
            books.debts.insert(accountKey(read.columnInt(0), read.column(1).toString()));
    }
    {
        db::Statement read = db.statement(QStringLiteral("SELECT AbNumber, Priznak FROM %1")
                                              .arg(db.qualified(QStringLiteral("PaneDate"))));
        while (read.step()) books.paymentRows.insert(read.columnInt(0), read.column(1).toString());
    }
    if (db.tableExists(kBankDocs)) {
        if (db.isServer()) numberServerRows(db);
        db::Statement read =
            db.statement(QStringLiteral("SELECT %1, DocNumber, DocDate, Amount, PayerAccount, "
                                        "Status, FileName FROM %2")
                             .arg(documentId(db), db.qualified(kBankDocs)));
        while (read.step()) {
            const QString key = documentKey(
                read.column(1).toString(),
                QDate::fromString(read.column(2).toString(), Qt::ISODate),
                Money::fromDouble(read.column(3).toDouble()), read.column(4).toString());
            books.stored.insert(key, {read.columnInt(0), read.column(5).toString() == kPosted,
                                      read.column(6).toString()});
        }
    }
    return books;
}

// The 7-digit numbers written after the words that name a subscriber, in order of appearance,
// each once. Digits may be grouped by single spaces or dashes ("234-56-78").
QList<qint64> numbersInPurpose(const QString& purpose) {
    static const QRegularExpression keyword(
        QStringLiteral(R"((?<!\w)(телефон\w*|тел\.?|л\s*/\s*сч?|л\.\s*с\.?|лицев\w*\s+сч[её]т\w*|)"
                       R"(абонент\w*)[\s:№#N.,-]*(\d+(?:[ -]\d+)*))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QList<qint64> numbers;
    auto it = keyword.globalMatch(purpose);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString digits;
        for (const QString& group :
             match.captured(2).split(QRegularExpression(QStringLiteral("[ -]")))) {
            digits += group;
            if (digits.size() >= 7) break;
        }
        if (digits.size() != 7) continue;
        const qint64 number = digits.toLongLong();
        if (!numbers.contains(number)) numbers.append(number);
    }
    return numbers;
}

// The categories of the list that the text names as whole words.
QStringList categoriesNamed(const QString& text, const QStringList& categories) {
    QStringList named;
    for (const QString& category : categories) {
        const QRegularExpression word(
            QStringLiteral("(?<!\\w)%1(?!\\w)").arg(QRegularExpression::escape(category)),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::UseUnicodePropertiesOption);
        if (word.match(text).hasMatch()) named.append(category);
    }
    return named;
}

QString numberList(const QList<qint64>& numbers) {
    QStringList texts;
    for (const qint64 n : numbers) texts.append(QString::number(n));
    return texts.join(QStringLiteral(", "));
}

// Finds the account of a document credited to us, or says why there is none.
void matchSubscriber(PlannedDocument& planned, Books& books) {
    const QList<qint64> written = numbersInPurpose(planned.doc.purpose);
    if (written.isEmpty()) {
        planned.reason = QStringLiteral("в назначении платежа нет номера абонента");
        return;
    }
    QList<qint64> known;
    for (const qint64 n : written)
        if (books.categories.contains(n)) known.append(n);
    if (known.isEmpty()) {
        planned.reason = QStringLiteral("номер %1 не найден среди абонентов").arg(numberList(written));
        return;
    }
    if (known.size() > 1) {
        planned.reason = QStringLiteral("несколько номеров абонентов: %1").arg(numberList(known));
        return;
    }
    const qint64 number = known.first();
    const QStringList& categories = books.categories[number];
    QString category = categories.first();
    if (categories.size() > 1) {
        const QStringList named = categoriesNamed(planned.doc.purpose, categories);
        if (named.size() != 1) {
            planned.reason = QStringLiteral("у номера %1 несколько признаков (%2), в назначении "
                                            "платежа не указан один из них")
                                 .arg(number)
                                 .arg(categories.join(QStringLiteral(", ")));
            return;
        }
        category = named.first();
    }
    if (!books.debts.contains(accountKey(number, category))) {
        planned.reason =
            QStringLiteral("нет долга для номера %1 с признаком %2").arg(number).arg(category);
        return;
    }
    const auto row = books.paymentRows.constFind(number);
    if (row != books.paymentRows.cend() && categoryKey(*row) != categoryKey(category)) {
        planned.reason = QStringLiteral("для номера %1 уже записана оплата с признаком %2")
                             .arg(number)
                             .arg(*row);
        return;
    }
    books.paymentRows.insert(number, category);
    planned.heap = Heap::Matched;
    planned.number = number;
    planned.category = category;
}

ImportPlan plan(Books& books, const BankStatement& statement, const QString& fileName,
                const QString& ours) {
    ImportPlan result;
    result.fileName = fileName;
    QHash<QString, int> lineOfKey;  // documents of this statement by key
    for (const BankDocument& doc : statement.documents) {
        PlannedDocument planned;
        planned.doc = doc;
        result.total = result.total + doc.amount;
        const QString key = documentKey(doc);
        const auto stored = books.stored.constFind(key);
        if (const auto earlier = lineOfKey.constFind(key); earlier != lineOfKey.cend()) {
            planned.heap = Heap::Duplicate;
            planned.reason = QStringLiteral("повтор документа строки %1").arg(*earlier);
        } else if (stored != books.stored.cend() && stored->posted) {
            planned.heap = Heap::Duplicate;
            planned.reason = QStringLiteral("уже проведен из файла %1").arg(stored->fileName);
        } else if (digitsOf(doc.payerAccount) == ours) {
            planned.reason = QStringLiteral("исходящий платеж с нашего счета");
        } else if (digitsOf(doc.receiverAccount) != ours) {
            planned.reason = QStringLiteral("не на наш счет (счет получателя %1)")
                                 .arg(doc.receiverAccount.isEmpty() ? QStringLiteral("не указан")
                                                                    : doc.receiverAccount);
        } else if (doc.amount <= Money()) {
            planned.reason = QStringLiteral("сумма не больше 0");
        } else {
            matchSubscriber(planned, books);
        }
        lineOfKey.insert(key, doc.line);
        switch (planned.heap) {
            case Heap::Matched:
                ++result.matched;
                result.matchedTotal = result.matchedTotal + doc.amount;
                break;
            case Heap::Duplicate:
                ++result.duplicates;
                break;
            case Heap::Unmatched:
                ++result.unmatched;
                break;
        }
        result.documents.append(planned);
    }
    return result;
}

// Writes a document into BankDocs.db: a new row, or the row it already has.
class DocumentStore {
  public:
    DocumentStore(db::Database& db, const QString& fileName, const QDate& today)
        : fileName_(fileName),
          today_(today),
          insert_(db.statement(
                  QStringLiteral("INSERT INTO %1 (DocNumber, DocDate, Amount, PayerAccount, "
                                 "PayerName, PayerInn, ReceiverAccount, Received, Purpose, "
                                 "FileName, DocLine, Loaded, Status, Reason, AbNumber, Priznak) "
                                 "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                      .arg(db.qualified(kBankDocs)))),
          update_(db.statement(
                  QStringLiteral("UPDATE %1 SET Status = ?, Reason = ?, AbNumber = ?, Priznak = ? "
                                 "WHERE %2 = ?")
                      .arg(db.qualified(kBankDocs), documentId(db)))) {}

    void insert(const PlannedDocument& planned, const QString& status) {
        const BankDocument& doc = planned.doc;
        const QList<QPair<QVariant, db::FieldType>> values = {
            {doc.number, db::FieldType::String},
            {doc.date, db::FieldType::Date},
            {doc.amount.toDouble(), db::FieldType::Float},
            {doc.payerAccount, db::FieldType::String},
            {doc.payerName, db::FieldType::String},
            {doc.payerInn, db::FieldType::String},
            {doc.receiverAccount, db::FieldType::String},
            {doc.received.isValid() ? QVariant(doc.received) : QVariant(), db::FieldType::Date},
            {doc.purpose, db::FieldType::String},
            {fileName_, db::FieldType::String},
            {doc.line, db::FieldType::Integer},
            {today_, db::FieldType::Date},
            {status, db::FieldType::String},
            {planned.reason, db::FieldType::String},
            {planned.number ? QVariant(planned.number) : QVariant(), db::FieldType::Integer},
            {planned.category, db::FieldType::String},
        };
        for (int i = 0; i < values.size(); ++i)
            insert_.bind(i + 1, db::toStorage(values[i].first, values[i].second));
        insert_.run();
        insert_.reset();
    }

    void update(qint64 id, const QString& status, const QString& reason, qint64 number,
                const QString& category) {
        update_.bind(1, status);
        update_.bind(2, db::toStorage(reason, db::FieldType::String));
        update_.bind(3, number ? QVariant(number) : QVariant());
        update_.bind(4, db::toStorage(category, db::FieldType::String));
        update_.bind(5, id);
        update_.run();
        update_.reset();
    }

  private:
    QString fileName_;
    QDate today_;
    db::Statement insert_;
    db::Statement update_;
};

PaymentResult confirmDocumentPayment(db::Database& db, const BankDocument& doc, qint64 number,
                                     const QString& category, const QString& fileName,
                                     const QDate& today) {
    const auto result = confirmPayment(db, number, category, doc.amount.toPlainString(),
                                       QLocale::c(), today, enteredByOf(fileName, doc));
    if (!result)
        raise(Error::Kind::Refused, QStringLiteral("Нет долга для номера %1 с признаком %2: %3")
                                        .arg(number)
                                        .arg(category, kDebtNotFound));
    return *result;
}

}  // namespace

ImportPlan planBankImport(db::Database& db, const BankStatement& statement,
                          const QString& fileName, const QString& ourAccount) {
    const QString ours = requireOurAccount(ourAccount);
    Books books = readBooks(db);
    return plan(books, statement, fileName, ours);
}

ImportPlan postBankImport(db::Database& db, const BankStatement& statement,
                          const QString& fileName, const QString& ourAccount, const QDate& today,
                          const PostProgress& progress) {
    const QString ours = requireOurAccount(ourAccount);
    ensurePaymentJournal(db);
    ensureBankDocs(db);
    // Each payment finds its debt row by number.
    calls::ensureIndex(db, QStringLiteral("DolgTb"), {{}, {QStringLiteral("AbNumber")}, false, false});
    db::Transaction transaction(db,
                                {QStringLiteral("DolgTb"), QStringLiteral("PaneDate"),
                                 kPaymentJournal, kBankDocs, QStringLiteral("AbTab")},
                                db::Transaction::Lock::Immediate);
    db.lockWork(kBankWorkLock, kBankWorkBusy);
    Books books = readBooks(db);
    ImportPlan result = plan(books, statement, fileName, ours);
    DocumentStore store(db, fileName, today);
    int done = 0;
    for (const PlannedDocument& planned : result.documents) {
        if (planned.heap == Heap::Duplicate) continue;
        const auto stored = books.stored.constFind(documentKey(planned.doc));
        const bool known = stored != books.stored.cend();
        if (planned.heap == Heap::Unmatched) {
            if (known)
                store.update(stored->id, kOpen, planned.reason, 0, {});
            else
                store.insert(planned, kOpen);
            continue;
        }
        try {
            confirmDocumentPayment(db, planned.doc, planned.number, planned.category, fileName,
                                   today);
        } catch (const Error& e) {
            raise(Error::Kind::Refused,
                  QStringLiteral("Документ № %1 от %2 (строка %3): %4\nНичего не проведено.")
                      .arg(planned.doc.number, planned.doc.date.toString(u"dd.MM.yyyy"))
                      .arg(planned.doc.line)
                      .arg(e.message()));
        }
        if (known)
            store.update(stored->id, kPosted, {}, planned.number, planned.category);
        else
            store.insert(planned, kPosted);
        if (progress) progress(++done, result.matched);
    }
    transaction.commit();
    return result;
}

QString planSummary(const ImportPlan& plan, bool posted) {
    return QStringLiteral("Документов %1 на сумму %2: %3 %4 на сумму %5, повторных %6, не "
                          "разнесено %7")
        .arg(plan.documents.size())
        .arg(plan.total.toPlainString(),
             posted ? QStringLiteral("проведено") : QStringLiteral("к проведению"))
        .arg(plan.matched)
        .arg(plan.matchedTotal.toPlainString())
        .arg(plan.duplicates)
        .arg(plan.unmatched);
}

const QList<core::ViewColumn>& unmatchedViewColumns() {
    static const QList<core::ViewColumn> columns = {
        {QStringLiteral("Id"), QStringLiteral("Код"), Display::Plain},
        {QStringLiteral("DocNumber"), QStringLiteral("Номер"), Display::Plain},
        {QStringLiteral("DocDate"), QStringLiteral("Дата"), Display::Date},
        {QStringLiteral("Amount"), QStringLiteral("Сумма"), Display::Money},
        {QStringLiteral("PayerName"), QStringLiteral("Плательщик"), Display::Plain},
        {QStringLiteral("PayerAccount"), QStringLiteral("Счет плательщика"), Display::Plain},
        {QStringLiteral("Purpose"), QStringLiteral("Назначение платежа"), Display::Plain},
        {QStringLiteral("Reason"), QStringLiteral("Причина"), Display::Plain},
        {QStringLiteral("FileName"), QStringLiteral("Файл"), Display::Plain},
    };
    return columns;
}

void openUnmatchedPayments(db::Query& query) {
    static const QString text = QStringLiteral(
        "SELECT %1 AS Id, DocNumber, DocDate, Amount, PayerName, PayerAccount, Purpose, "
        "Reason, FileName\n"
        "FROM BankDocs\n"
        "WHERE Status = 'OPEN'\n"
        "ORDER BY %1;");
    ensureBankDocs(query.database());
    const QString sql = text.arg(documentId(query.database()));
    if (query.sql() != sql) query.setSql(sql);
    query.close();
    query.open();
}

PaymentResult postUnmatchedPayment(db::Database& db, qint64 id, qint64 number,
                                   const QString& category, const QString& ourAccount,
                                   const QDate& today) {
    const QString ours = requireOurAccount(ourAccount);
    ensurePaymentJournal(db);
    ensureBankDocs(db);
    db::Transaction transaction(db,
                                {kBankDocs, QStringLiteral("DolgTb"), QStringLiteral("PaneDate"),
                                 kPaymentJournal},
                                db::Transaction::Lock::Immediate);
    db.lockWork(kBankWorkLock, kBankWorkBusy);
    BankDocument doc;
    QString fileName;
    {
        db::Statement read =
            db.statement(QStringLiteral("SELECT DocNumber, DocDate, Amount, PayerAccount, "
                                        "FileName, DocLine FROM %1 WHERE %2 = ? AND Status = ?")
                             .arg(db.qualified(kBankDocs), documentId(db)));
        read.bind(1, id);
        read.bind(2, kOpen);
        if (!read.step())
            raise(Error::Kind::Refused,
                  QStringLiteral("Нет неразнесенного платежа с кодом %1").arg(id));
        doc.number = read.column(0).toString();
        doc.date = QDate::fromString(read.column(1).toString(), Qt::ISODate);
        doc.amount = Money::fromDouble(read.column(2).toDouble());
        doc.payerAccount = read.column(3).toString();
        fileName = read.column(4).toString();
        doc.line = static_cast<int>(read.columnInt(5));
    }
    if (digitsOf(doc.payerAccount) == ours)
        raise(Error::Kind::Refused,
              QStringLiteral("Исходящий платеж с нашего счета не проводится как оплата"));
    if (doc.amount <= Money())
        raise(Error::Kind::Refused, QStringLiteral("Сумма платежа не больше 0"));
    const PaymentResult result =
        confirmDocumentPayment(db, doc, number, category, fileName, today);
    DocumentStore(db, fileName, today)
        .update(id, kPosted, QStringLiteral("проведен вручную"), number, category);
    transaction.commit();
    return result;
}

QString enteredByOf(const QString& fileName, const BankDocument& doc) {
    const QString tail =
        QStringLiteral("№%1 от %2").arg(doc.number, doc.date.toString(u"dd.MM.yyyy"));
    const qsizetype room = kEnteredByWidth - tail.size() - 1;
    if (room < 2) return tail.left(kEnteredByWidth);
    const QString name = fileName.size() <= room ? fileName : fileName.left(room - 1) + u'…';
    return name + u' ' + tail;
}

}  // namespace orv::billing
