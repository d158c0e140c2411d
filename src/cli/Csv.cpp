#include "cli/Csv.h"

#include "db/FieldType.h"
#include "db/Query.h"

namespace orv::cli {

QString csvNumber(double value) {
    QString text = QString::number(value, 'f', 4);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString csvField(const QVariant& value) {
    QString text = value.typeId() == QMetaType::Double && !value.isNull()
                       ? csvNumber(value.toDouble())
                       : db::displayText(value);
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1Char('"'), QLatin1String("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

QString csvLine(const QStringList& fields) {
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

namespace {

// The header line, then the given fields of every visible row.
void writeRows(QTextStream& out, const db::Query& query, const QStringList& titles,
               const QList<int>& fields) {
    QStringList header;
    for (const QString& title : titles) header.append(csvField(title));
    out << csvLine(header);
    for (qint64 row = 0; row < query.recordCount(); ++row) {
        QStringList values;
        for (int field : fields) values.append(csvField(query.value(row, field)));
        out << csvLine(values);
    }
}

}  // namespace

void writeCsv(QTextStream& out, const db::Query& query, const QStringList& headers) {
    const QList<db::FieldDef>& fields = query.fields();
    QStringList titles;
    QList<int> indexes;
    for (int i = 0; i < fields.size(); ++i) {
        titles.append(i < headers.size() ? headers[i] : fields[i].name);
        indexes.append(i);
    }
    writeRows(out, query, titles, indexes);
}

void writeViewCsv(QTextStream& out, const db::Query& query,
                  const QList<core::ViewColumn>& columns) {
    QStringList titles;
    QList<int> indexes;
    for (const core::ViewColumn& column : columns) {
        titles.append(column.title);
        indexes.append(query.fieldIndex(column.field));
    }
    writeRows(out, query, titles, indexes);
}

}  // namespace orv::cli
