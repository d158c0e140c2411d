#include "db/Schema.h"

#include "core/Error.h"

#include "db/Database.h"

namespace orv::db::schema {
namespace {

FieldDef integer(const char* name) { return {QString::fromUtf8(name), FieldType::Integer}; }
FieldDef smallint(const char* name) { return {QString::fromUtf8(name), FieldType::SmallInt}; }
FieldDef real(const char* name) { return {QString::fromUtf8(name), FieldType::Float}; }
FieldDef date(const char* name, bool required = false) {
    return {QString::fromUtf8(name), FieldType::Date, 0, required};
}
FieldDef time(const char* name) { return {QString::fromUtf8(name), FieldType::Time}; }
FieldDef text(const char* name, int size) {
    return {QString::fromUtf8(name), FieldType::String, size};
}

IndexDef primary(const char* field) { return {{}, {QString::fromUtf8(field)}, true, true}; }
IndexDef secondary(const char* name, const char* field) {
    return {QString::fromUtf8(name), {QString::fromUtf8(field)}, false, false};
}

QList<FieldDef> callFields() {
    return {integer("AbNumber"),  date("Date_of_call"),    time("Time_of_call"),
            integer("Longivity"), smallint("Cat"),         integer("Number_of_call"),
            text("Code", 10),     text("CodeForeign", 10), real("TRF")};
}

QList<FieldDef> monthlyTotalFields() {
    return {integer("AbNumber"), text("Priznak", 10), integer("Count_of_calls"),
            real("Sum_of_long"), real("Sum_of_cost"), date("Date_of_raschet")};
}

TableDef table(const char* name, const char* file, QList<FieldDef> fields,
               QList<IndexDef> indexes = {}) {
    return {QString::fromUtf8(name), QString::fromUtf8(file), std::move(fields),
            std::move(indexes)};
}

}  // namespace

const TableDef& desttar() {
    // Not a key: an index over every column in the listing order, so that the listing views
    // and the pipelines' joins by number read the calls in order from the index alone.
    static const TableDef def =
        table("DESTTAR", "DESTTAR.db", callFields(),
              {{QStringLiteral("CallOrder"),
                {QStringLiteral("AbNumber"), QStringLiteral("Date_of_call"),
                 QStringLiteral("Time_of_call"), QStringLiteral("Cat"), QStringLiteral("Longivity"),
                 QStringLiteral("Number_of_call"), QStringLiteral("TRF"), QStringLiteral("Code"),
                 QStringLiteral("CodeForeign")},
                false,
                false}});
    return def;
}

const TableDef& abTab() {
    static const TableDef def =
        table("AbTab", "AbTab.DB",
              {integer("AbNumber"), text("Priznak", 10), text("Exist", 10), text("FIO", 20),
               text("House", 5), text("Appartm", 5), text("Adress", 100)});
    return def;
}

const TableDef& abPlata() {
    static const TableDef def = table("ABPLATA", "ABPLATA.db",
                                      {date("DATA", true), real("ALL"), real("BUDG"), real("OTHER"),
                                       real("BLOCK"), real("VECH"), real("DAY")},
                                      {secondary("DATA", "DATA")});
    return def;
}

const TableDef& tarif1() {
    static const TableDef def =
        table("Tarif1", "Tarif1.db", {date("DATA"), real("TRF"), real("Cost_k")});
    return def;
}

const TableDef& tarifCit() {
    static const TableDef def =
        table("TARIFCIT", "TARIFCIT.db", {date("DATA"), text("PRIZNAK", 10), real("COST")});
    return def;
}

const TableDef& paneDate() {
    static const TableDef def = table("PaneDate", "PaneDate.DB",
                                      {integer("AbNumber"), text("Priznak", 10),
                                       date("Date_of_pane"), real("Dolg"), real("Pane")},
                                      {primary("AbNumber")});
    return def;
}

const TableDef& dolgTb() {
    static const TableDef def = table(
        "DolgTb", "DolgTb.db",
        {integer("AbNumber"), text("Priznak", 10), date("YearMonth"), date("LastYearMonth"),
         real("Dolg"), real("LastDolg"), real("NDS"), real("MG"), real("ByTime"), real("AbPlata")});
    return def;
}

const TableDef& prazdn() {
    static const TableDef def =
        table("Prazdn", "Prazdn.db", {date("PRAZDN_DAY")}, {primary("PRAZDN_DAY")});
    return def;
}

const TableDef& vechTm() {
    static const TableDef def = table("VechTm", "VechTm.db", {time("Time_from"), time("Time_to")});
    return def;
}

const TableDef& sng() {
    static const TableDef def =
        table("Sng", "Sng.db", {text("KOD", 10), text("CITY", 25)}, {secondary("TRF", "KOD")});
    return def;
}

const TableDef& foren() {
    static const TableDef def =
        table("Foren", "Foren.db", {text("KOD", 10), text("CITY", 25)}, {secondary("TRF", "KOD")});
    return def;
}

const TableDef& oldMg() {
    static const TableDef def = table("OldMG", "OldMG.DB", callFields());
    return def;
}

const TableDef& prDlgCt() {
    static const TableDef def = table("PrDlgCt", "PrDlgCt.db", monthlyTotalFields());
    return def;
}

const TableDef& prDlgMg() {
    static const TableDef def = table("PrDlgMG", "PrDlgMG.db", monthlyTotalFields());
    return def;
}

const TableDef& paneJournal() {
    static const TableDef def =
        table("PaneJournal", "PaneJournal.db",
              {integer("AbNumber"), text("Priznak", 10), date("Date_of_pane"), time("Time_of_pane"),
               real("Dolg"), real("Pane"), text("EnteredBy", 29)});
    return def;
}

const TableDef& ndsRates() {
    static const TableDef def =
        table("NdsRates", "NdsRates.db", {date("Date_from", true), real("Percent")},
              {primary("Date_from")});
    return def;
}

const TableDef& dolgJournal() {
    static const TableDef def =
        table("DolgJournal", "DolgJournal.db",
              {date("YearMonth"), date("LastYearMonth"), date("Date_of_run"), time("Time_of_run"),
               smallint("Months"), real("NdsPercent"), integer("LastPane")});
    return def;
}

const TableDef& bankDocs() {
    static const TableDef def =
        table("BankDocs", "BankDocs.db",
              {text("DocNumber", 30), date("DocDate"), real("Amount"), text("PayerAccount", 30),
               text("PayerName", 500), text("PayerInn", 20), text("ReceiverAccount", 30),
               date("Received"), text("Purpose", 1000), text("FileName", 255), integer("DocLine"),
               date("Loaded"), text("Status", 10), text("Reason", 200), integer("AbNumber"),
               text("Priznak", 10)},
              {{QStringLiteral("DocKey"),
                {QStringLiteral("DocNumber"), QStringLiteral("DocDate"), QStringLiteral("Amount")},
                false,
                false}});
    return def;
}

const QList<TableDef>& permanentTables() {
    static const QList<TableDef> all = {desttar(),  abTab(),  abPlata(), tarif1(), tarifCit(),
                                        paneDate(), dolgTb(), prazdn(),  vechTm(), sng(),
                                        foren(),    oldMg(),  prDlgCt(), prDlgMg()};
    return all;
}

const TableDef* find(const QString& name) {
    QString bare = name;
    if (bare.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) bare.chop(3);
    for (const TableDef& def : permanentTables())
        if (def.name.compare(bare, Qt::CaseInsensitive) == 0) return &def;
    return nullptr;
}

const TableDef* findProgramTable(const QString& name) {
    if (const TableDef* permanent = find(name)) return permanent;
    QString bare = name;
    if (bare.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) bare.chop(3);
    for (const TableDef* own : {&paneJournal(), &ndsRates(), &dolgJournal(), &bankDocs()})
        if (own->name.compare(bare, Qt::CaseInsensitive) == 0) return own;
    return nullptr;
}

const QList<TableDef>& startupTables() {
    static const QList<TableDef> order = {prazdn(), oldMg(),   paneDate(), dolgTb(),
                                          abTab(),  desttar(), prDlgCt(),  prDlgMg()};
    return order;
}

QStringList createMissingStartupTables(Database& db, QStringList* damaged) {
    QStringList created;
    QStringList faults;
    for (const TableDef& def : startupTables()) {
        try {
            if (db.holdsTable(def.name)) continue;
        } catch (const Error& e) {
            faults.append(QStringLiteral("Таблица %1 повреждена: %2").arg(def.name, e.message()));
            continue;
        }
        db.createTable(def);
        created.append(def.name);
    }
    if (damaged)
        *damaged = faults;
    else if (!faults.isEmpty())
        raise(Error::Kind::Engine, faults.join(QLatin1Char('\n')));
    return created;
}

}  // namespace orv::db::schema
