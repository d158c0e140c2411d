#include "billing/BankStatement.h"

#include "core/Codepages.h"
#include "core/Error.h"

#include <QByteArrayList>
#include <QHash>
#include <QLocale>
#include <optional>

namespace orv::billing {
namespace {

const QString kSignature = QStringLiteral("1CClientBankExchange");
const QString kEncodingKey = QStringLiteral("Кодировка");

[[noreturn]] void refuseAt(int line, const QString& message) {
    raise(Error::Kind::Refused, QStringLiteral("Строка %1: %2").arg(line).arg(message));
}

// The code page the header names. A header without Кодировка is read as Windows-1251, the
// format's usual one.
core::Codepage codepageOf(const QByteArrayList& lines) {
    for (int i = 1; i < lines.size(); ++i) {
        for (const core::Codepage page : {core::Codepage::Windows1251, core::Codepage::Dos866}) {
            const QString text = core::decode(lines[i], page).trimmed();
            if (!text.startsWith(kEncodingKey + QLatin1Char('='))) continue;
            const QString value = text.mid(kEncodingKey.size() + 1).trimmed();
            if (value.compare(QLatin1String("Windows"), Qt::CaseInsensitive) == 0)
                return core::Codepage::Windows1251;
            if (value.compare(QLatin1String("DOS"), Qt::CaseInsensitive) == 0)
                return core::Codepage::Dos866;
            refuseAt(i + 1, QStringLiteral("неизвестная кодировка '%1'; читаются Windows и DOS")
                                .arg(value));
        }
        if (lines[i].trimmed().startsWith("\xD1\xE5\xEA\xF6\xE8\xFF") ||  // Секция, Windows-1251
            lines[i].trimmed().startsWith("\x91\xA5\xAA\xE6\xA8\xEF"))    // Секция, DOS
            break;
    }
    return core::Codepage::Windows1251;
}

struct Field {
    QString value;
    int line = 0;
};
using Fields = QHash<QString, Field>;

QString valueOf(const Fields& fields, const QString& key, int width) {
    const auto it = fields.constFind(key);
    if (it == fields.cend()) return {};
    if (it->value.size() > width)
        refuseAt(it->line, QStringLiteral("значение %1 длиннее %2 знаков").arg(key).arg(width));
    return it->value;
}

const Field& required(const Fields& fields, const QString& key, int documentLine) {
    const auto it = fields.constFind(key);
    if (it == fields.cend() || it->value.isEmpty())
        refuseAt(documentLine, QStringLiteral("в документе нет поля %1").arg(key));
    return *it;
}

QDate dateOf(const Field& field, const QString& key) {
    const QDate date = QDate::fromString(field.value, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid())
        refuseAt(field.line,
                 QStringLiteral("%1 '%2' не дата ДД.ММ.ГГГГ").arg(key, field.value));
    return date;
}

BankDocument documentOf(const QString& kind, int line, const Fields& fields) {
    BankDocument doc;
    doc.line = line;
    doc.kind = kind;
    required(fields, QStringLiteral("Номер"), line);
    doc.number = valueOf(fields, QStringLiteral("Номер"), kDocNumberWidth);
    doc.date = dateOf(required(fields, QStringLiteral("Дата"), line), QStringLiteral("дата"));
    const Field& sum = required(fields, QStringLiteral("Сумма"), line);
    try {
        QString text = sum.value;
        doc.amount = Money::parse(text.replace(QLatin1Char(','), QLatin1Char('.')), QLocale::c());
    } catch (const Error&) {
        refuseAt(sum.line, QStringLiteral("сумма '%1' не число").arg(sum.value));
    }
    doc.payerAccount = valueOf(fields, QStringLiteral("ПлательщикСчет"), kAccountWidth);
    doc.payerName = valueOf(fields, QStringLiteral("Плательщик1"), kPayerNameWidth);
    if (doc.payerName.isEmpty())
        doc.payerName = valueOf(fields, QStringLiteral("Плательщик"), kPayerNameWidth);
    doc.payerInn = valueOf(fields, QStringLiteral("ПлательщикИНН"), kInnWidth);
    doc.receiverAccount = valueOf(fields, QStringLiteral("ПолучательСчет"), kAccountWidth);
    const auto received = fields.constFind(QStringLiteral("ДатаПоступило"));
    if (received != fields.cend() && !received->value.isEmpty())
        doc.received = dateOf(*received, QStringLiteral("ДатаПоступило"));
    doc.purpose = valueOf(fields, QStringLiteral("НазначениеПлатежа"), kPurposeWidth);
    return doc;
}

// What an open section needs to be closed; the section's first line.
struct OpenSection {
    enum class Kind { Account, Document } kind;
    int line;
    QString documentKind;
};

[[noreturn]] void unclosed(int line, const OpenSection& open) {
    if (open.kind == OpenSection::Kind::Document)
        refuseAt(line, QStringLiteral("документ, начатый в строке %1, не закрыт строкой "
                                      "КонецДокумента")
                           .arg(open.line));
    refuseAt(line, QStringLiteral("раздел СекцияРасчСчет, начатый в строке %1, не закрыт "
                                  "строкой КонецРасчСчет")
                       .arg(open.line));
}

void checkVersion(const QString& version, int line) {
    if (version != QLatin1String("1.02") && version != QLatin1String("1.03"))
        refuseAt(line, QStringLiteral("версия формата '%1' не поддерживается; читаются 1.02 и "
                                      "1.03")
                           .arg(version));
}

}  // namespace

BankStatement readBankStatement(const QByteArray& bytes) {
    QByteArrayList lines = bytes.split('\n');
    if (lines.isEmpty() || QString::fromLatin1(lines.first()).trimmed() != kSignature)
        refuseAt(1, QStringLiteral("файл не является выпиской банка в формате %1").arg(kSignature));
    const core::Codepage codepage = codepageOf(lines);

    BankStatement statement;
    statement.encoding =
        codepage == core::Codepage::Dos866 ? QStringLiteral("DOS") : QStringLiteral("Windows");
    std::optional<OpenSection> open;
    Fields fields;
    for (int i = 1; i < lines.size(); ++i) {
        const int line = i + 1;
        const QString text = core::decode(lines[i], codepage).trimmed();
        if (text.isEmpty()) continue;
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? text : text.left(eq)).trimmed();
        const QString value = eq < 0 ? QString() : text.mid(eq + 1).trimmed();

        if (key == QStringLiteral("КонецФайла")) {
            if (open) unclosed(line, *open);
            if (statement.version.isEmpty())
                refuseAt(line, QStringLiteral("в заголовке нет строки ВерсияФормата"));
            return statement;
        }
        if (key == QStringLiteral("СекцияДокумент") || key == QStringLiteral("СекцияРасчСчет")) {
            if (open) unclosed(line, *open);
            open = OpenSection{key == QStringLiteral("СекцияДокумент") ? OpenSection::Kind::Document
                                                                      : OpenSection::Kind::Account,
                               line, value};
            fields.clear();
            continue;
        }
        if (key == QStringLiteral("КонецДокумента") || key == QStringLiteral("КонецРасчСчет")) {
            const auto kind = key == QStringLiteral("КонецДокумента") ? OpenSection::Kind::Document
                                                                     : OpenSection::Kind::Account;
            if (!open || open->kind != kind)
                refuseAt(line, QStringLiteral("строка %1 без начала своего раздела").arg(key));
            if (kind == OpenSection::Kind::Document)
                statement.documents.append(documentOf(open->documentKind, open->line, fields));
            open.reset();
            continue;
        }
        if (eq <= 0)
            refuseAt(line, QStringLiteral("ожидается Ключ=Значение, получено '%1'").arg(text));
        if (open) {
            fields.insert(key, {value, line});
        } else if (key == QStringLiteral("ВерсияФормата")) {
            checkVersion(value, line);
            statement.version = value;
        }
    }
    const int lastLine = static_cast<int>(lines.size()) - (bytes.endsWith('\n') ? 1 : 0);
    if (open) unclosed(lastLine, *open);
    refuseAt(lastLine,
             QStringLiteral("нет строки КонецФайла: файл обрезан или записан не до конца"));
}

}  // namespace orv::billing
