#pragma once
// Every table of the tariff database, declared once: columns with types and widths, required
// fields and indexes. Creation at start-up, the table utilities and the tests all read these
// declarations; no other file declares a table.

#include "db/FieldType.h"

#include <QList>
#include <QStringList>

namespace orv::db {
class Database;
}

namespace orv::db::schema {

const TableDef& desttar();   // DESTTAR: the calls, written by the call collector
const TableDef& abTab();     // AbTab.DB: the subscribers
const TableDef& abPlata();   // ABPLATA: monthly fees by category
const TableDef& tarif1();    // Tarif1.db: long-distance prices by zone
const TableDef& tarifCit();  // TARIFCIT: city prices by category
const TableDef& paneDate();  // PaneDate.DB: the last payment of each number
const TableDef& dolgTb();    // DolgTb.db: debts as of the last reckoning
const TableDef& prazdn();    // Prazdn.db: holidays and days off
const TableDef& vechTm();    // VechTm.db: the evening tariff window
const TableDef& sng();       // Sng.db: long-distance destination names
const TableDef& foren();     // Foren.db: international destination names
const TableDef& oldMg();     // OldMG.DB: archived long-distance calls
const TableDef& prDlgCt();   // PrDlgCt.db: monthly city totals of the debt run
const TableDef& prDlgMg();   // PrDlgMG: monthly long-distance totals of the debt run

// A table of our own beside the permanent ones, created when first needed: every confirmed
// payment, appended and never overwritten (PaneDate.DB keeps only the last one of a number).
const TableDef& paneJournal();  // PaneJournal.db
// The VAT rates by the first day they apply from, seeded when created.
const TableDef& ndsRates();  // NdsRates.db
// One row per committed debt run: what it reckoned, when, at which VAT rate its last month was
// charged and how far the payment journal reached then.
const TableDef& dolgJournal();  // DolgJournal.db
// Every document of the bank statements loaded: the ones posted as payments (so that a
// statement loaded again posts nothing twice) and the ones that could not be matched to a
// subscriber, kept with the reason until they are posted by hand.
const TableDef& bankDocs();  // BankDocs.db

// All permanent tables, in the order above.
const QList<TableDef>& permanentTables();
// The declaration of a permanent table by name (any case, with or without ".db"); nullptr
// when the name is no permanent table.
const TableDef* find(const QString& name);
// The same among the permanent tables and the program's own ones (PaneJournal, NdsRates,
// DolgJournal, BankDocs): the declarations a server's tables are read back by.
const TableDef* findProgramTable(const QString& name);

// The tables the main window creates when they are missing, in the order it creates them.
const QList<TableDef>& startupTables();

// Creates, in order, each start-up table that does not exist, or whose file holds no table (an
// empty file left by a killed creation); never touches a table that is there. Returns the names
// of the tables created. A file that is damaged (no table file, a broken schema) is left as it
// is and named in damaged ("Таблица ... повреждена: ..."), or raised as Error(Engine) after the
// others are created when damaged is null. Throws orv::Error at the first table that cannot be
// created; those created before it stay.
QStringList createMissingStartupTables(Database& db, QStringList* damaged = nullptr);

}  // namespace orv::db::schema
