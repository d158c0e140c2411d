#pragma once
// A small exchange for the billing tests: every permanent table in a fresh folder, one city and
// one long-distance tariff (1.50 and 2.00 a minute, in force since 2000), VAT at 20 % in every
// month (tests of the rates by date set their own), the evening window, a
// settings file of its own, and helpers to add subscribers, fees, debts and calls and to read
// the tables back.

#include "TestSupport.h"
#include "billing/DebtRun.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <QDate>
#include <QFile>
#include <QMap>

namespace orv::test {

class Exchange {
  public:
    Exchange() : store_(t_.file(QStringLiteral("settings.reg"))) {
        for (const db::TableDef& def : db::schema::permanentTables()) t_.create(def);
        sql("INSERT INTO TARIFCIT VALUES ('2000-01-01', 'ALL', 1.5), ('2000-01-01', 'BUDG', 1.5),"
            " ('2000-01-01', 'OTHER', 1.5), ('2000-01-01', 'BLOCK', 1.5)");
        sql("INSERT INTO Tarif1 VALUES ('2000-01-01', 1, 2.0)");
        sql("INSERT INTO VechTm VALUES ('22:00:00', '07:00:00')");
        t_.create(db::schema::ndsRates());
        sql("INSERT INTO NdsRates VALUES ('2000-01-01', 20)");
    }

    db::Database& db() { return t_.db(); }
    TempDatabase& temp() { return t_; }
    core::SettingsStore& store() { return store_; }
    core::VatSettings vat;

    void sql(const QString& text) { db::Query(t_.db(), text).execute(); }
    void sql(const char* text) { sql(QString::fromUtf8(text)); }

    void subscriber(qint64 number, const QString& category = QStringLiteral("ALL"),
                    const QString& exist = QStringLiteral("YES")) {
        sql(QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (%1, '%2', '%3')")
                .arg(number)
                .arg(category, exist));
    }
    // The same fee for every category.
    void fee(const QDate& date, double amount) {
        sql(QStringLiteral("INSERT INTO ABPLATA VALUES ('%1', %2, %2, %2, %2, %2, %2)")
                .arg(iso(date))
                .arg(amount));
    }
    void debt(qint64 number, const QString& category, const QDate& yearMonth, double dolg,
              double lastDolg = 0, double nds = 0) {
        sql(QStringLiteral("INSERT INTO DolgTb VALUES (%1, '%2', %3, NULL, %4, %5, %6, 1, 2, 3)")
                .arg(number)
                .arg(category,
                     yearMonth.isValid() ? u'\'' + iso(yearMonth) + u'\'' : QStringLiteral("NULL"))
                .arg(dolg)
                .arg(lastDolg)
                .arg(nds));
    }
    void cityCall(qint64 number, const QDate& date, int minutes,
                  const QString& time = QStringLiteral("12:00:00")) {
        sql(QStringLiteral("INSERT INTO DESTTAR VALUES (%1, '%2', '%3', %4, 2, 5550000, NULL, "
                           "NULL, NULL)")
                .arg(number)
                .arg(iso(date), time)
                .arg(minutes));
    }
    void mgCall(qint64 number, const QDate& date, int minutes,
                const QString& time = QStringLiteral("12:00:00")) {
        sql(QStringLiteral("INSERT INTO DESTTAR VALUES (%1, '%2', '%3', %4, 9, 4950000, '495', "
                           "NULL, 1)")
                .arg(number)
                .arg(iso(date), time)
                .arg(minutes));
    }

    void settings(const core::Settings& s) { core::writeSettings(store_, s); }

    billing::DebtRunSummary run(const QDate& today, const billing::DebtPipelines& pipelines =
                                                        billing::standardPipelines()) {
        return billing::runDebtCalculation(t_.db(), store_, vat, today, pipelines);
    }

    // Every row of a table in stored order, fields joined by "|".
    QStringList rows(const QString& table) {
        db::Query q(t_.db(), QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        q.open();
        return rowsOf(q);
    }
    QStringList rows(const char* table) { return rows(QString::fromUtf8(table)); }

    // The file contents of the tables, by file name.
    QMap<QString, QByteArray> files(const QStringList& tables) {
        QMap<QString, QByteArray> contents;
        for (const QString& table : tables) {
            QFile file(t_.db().tableFilePath(table));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << table.toStdString();
            contents.insert(table, file.readAll());
        }
        return contents;
    }

    static QString iso(const QDate& date) { return date.toString(Qt::ISODate); }

  private:
    TempDatabase t_;
    core::SettingsStore store_;
};

// The worked example of a month, reckoned on 10.04.2026: 101 "ALL" with city and long-distance
// calls and a debt of March, 102 "BUDG" frozen ("NO"), a long-distance call of a number without
// an account, and a call of April that stays.
inline void seedWorkedExample(Exchange& x) {
    x.subscriber(101);
    x.subscriber(102, QStringLiteral("BUDG"), QStringLiteral("NO"));
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 3, 1), 100.00, 7.0, 20.00);
    x.debt(102, QStringLiteral("BUDG"), QDate(2026, 3, 1), 8.00);
    x.fee(QDate(2026, 3, 1), 25.00);
    x.cityCall(101, QDate(2026, 3, 5), 12);
    x.cityCall(101, QDate(2026, 3, 25), 8);
    x.mgCall(101, QDate(2026, 3, 7), 6);
    x.mgCall(103, QDate(2026, 3, 7), 6);
    x.cityCall(101, QDate(2026, 4, 2), 5);
    x.sql("INSERT INTO PrDlgCt VALUES (1, 'ALL', 1, 1, 1, '2026-03-01')");
}

// The tables a run changes, and those it only reads.
inline QStringList runTables() {
    return {QStringLiteral("DolgTb"),  QStringLiteral("DESTTAR"), QStringLiteral("OldMG"),
            QStringLiteral("PrDlgCt"), QStringLiteral("PrDlgMG"), QStringLiteral("PaneDate"),
            QStringLiteral("AbTab"),   QStringLiteral("ABPLATA")};
}

}  // namespace orv::test
