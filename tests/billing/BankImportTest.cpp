// Payments from a bank statement: both encodings, the three heaps, loading twice, bad files that
// change nothing, posting equal to the payment dialog, and posting the unmatched by hand.

#include "BillingFixture.h"
#include "billing/BankImport.h"
#include "billing/Payment.h"
#include "core/Codepages.h"
#include "core/Error.h"

#include <iconv.h>

using namespace orv;
using billing::Money;
using Heap = billing::PlannedDocument::Heap;
using orv::test::Exchange;

namespace {

const QDate kToday(2026, 4, 10);
const QString kOurs = QStringLiteral("40702810900000000001");

// Text to bytes of a code page through glibc's iconv, independent of the program's tables.
QByteArray encode(const QString& text, const char* codepage) {
    iconv_t cd = iconv_open(codepage, "UTF-8");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t left = in.size(), room = out.size();
    iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    out.truncate(out.size() - static_cast<qsizetype>(room));
    return out;
}

struct Doc {
    QString number;
    QString sum;
    QString purpose;
    QString receiver = kOurs;
    QString payer = QStringLiteral("40817810000000000123");
};

QString statementText(const QList<Doc>& docs, const QString& encoding = QStringLiteral("Windows"),
                      bool end = true) {
    QString text = QStringLiteral(
                       "1CClientBankExchange\r\nВерсияФормата=1.03\r\nКодировка=%1\r\n"
                       "Отправитель=Банк\r\nСекцияРасчСчет\r\nРасчСчет=%2\r\nКонецРасчСчет\r\n")
                       .arg(encoding, kOurs);
    for (const Doc& d : docs)
        text += QStringLiteral(
                    "СекцияДокумент=Платежное поручение\r\nНомер=%1\r\nДата=05.04.2026\r\n"
                    "Сумма=%2\r\nПлательщикСчет=%3\r\nПлательщик1=Иванова Мария\r\n"
                    "ПолучательСчет=%4\r\nДатаПоступило=05.04.2026\r\nНазначениеПлатежа=%5\r\n"
                    "КонецДокумента\r\n")
                    .arg(d.number, d.sum, d.payer, d.receiver, d.purpose);
    if (end) text += QStringLiteral("КонецФайла\r\n");
    return text;
}

billing::BankStatement windowsStatement(const QList<Doc>& docs) {
    return billing::readBankStatement(encode(statementText(docs), "CP1251"));
}

QString refusal(const QByteArray& bytes) {
    try {
        billing::readBankStatement(bytes);
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Refused);
        return e.message();
    }
    return QStringLiteral("(read)");
}

// Two subscribers with debts; 3000003 has two categories.
void seed(Exchange& x) {
    x.subscriber(2200193);
    x.subscriber(3000003, QStringLiteral("ALL"));
    x.subscriber(3000003, QStringLiteral("VECH"));
    x.subscriber(4000004);
    x.debt(2200193, QStringLiteral("ALL"), QDate(2026, 4, 1), 167.00, 0, 33.40);
    x.debt(3000003, QStringLiteral("ALL"), QDate(2026, 4, 1), 100);
    x.debt(3000003, QStringLiteral("VECH"), QDate(2026, 4, 1), 50);
}

const QList<Doc> kMixed = {
    {QStringLiteral("11"), QStringLiteral("150.00"), QStringLiteral("Оплата связи тел. 220-01-93")},
    {QStringLiteral("12"), QStringLiteral("20"), QStringLiteral("абонент 3000003 признак VECH")},
    {QStringLiteral("13"), QStringLiteral("30"), QStringLiteral("абонент 3000003")},
    {QStringLiteral("14"), QStringLiteral("40"), QStringLiteral("Оплата по счету")},
    {QStringLiteral("15"), QStringLiteral("50"), QStringLiteral("л/с 9999999")},
    {QStringLiteral("16"), QStringLiteral("60"), QStringLiteral("тел. 2200193"),
     QStringLiteral("40702810000000000999")},
    {QStringLiteral("17"), QStringLiteral("70"), QStringLiteral("Возврат тел. 2200193"),
     QStringLiteral("40817810000000000123"), kOurs},
    {QStringLiteral("18"), QStringLiteral("80"), QStringLiteral("телефон 2200193, тел. 3000003")},
    {QStringLiteral("19"), QStringLiteral("90"), QStringLiteral("тел. 4000004")},
    {QStringLiteral("11"), QStringLiteral("150.00"), QStringLiteral("Оплата связи тел. 220-01-93")},
};

}  // namespace

TEST(Codepages, AgreeWithIconvOnEveryByte) {
    for (const auto& [page, name] : {std::pair{core::Codepage::Windows1251, "CP1251"},
                                     std::pair{core::Codepage::Dos866, "CP866"}}) {
        for (int byte = 0x20; byte < 0x100; ++byte) {
            if (page == core::Codepage::Windows1251 && byte == 0x98) continue;  // undefined
            const QString ours = core::decode(QByteArray(1, char(byte)), page);
            EXPECT_EQ(encode(ours, name), QByteArray(1, char(byte))) << name << " byte " << byte;
        }
    }
}

TEST(BankStatement, ReadsBothEncodingsAlike) {
    const QString text = statementText(kMixed);
    const auto windows = billing::readBankStatement(encode(text, "CP1251"));
    QString dosText = text;
    dosText.replace(QStringLiteral("Кодировка=Windows"), QStringLiteral("Кодировка=DOS"));
    const auto dos = billing::readBankStatement(encode(dosText, "CP866"));
    ASSERT_EQ(windows.documents.size(), kMixed.size());
    ASSERT_EQ(dos.documents.size(), kMixed.size());
    for (int i = 0; i < kMixed.size(); ++i) {
        EXPECT_EQ(windows.documents[i].purpose, kMixed[i].purpose);
        EXPECT_EQ(dos.documents[i].purpose, kMixed[i].purpose);
        EXPECT_EQ(dos.documents[i].payerName, QStringLiteral("Иванова Мария"));
        EXPECT_EQ(dos.documents[i].amount, windows.documents[i].amount);
    }
    EXPECT_EQ(windows.documents[0].amount, Money::fromUnits(1500000));
    EXPECT_EQ(windows.documents[0].line, 8);
    EXPECT_EQ(windows.version, QStringLiteral("1.03"));
}

TEST(BankStatement, BadFilesNameTheirLine) {
    const QList<Doc> one = {{QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("тел 1")}};
    QString cut = statementText(one);
    cut.truncate(cut.indexOf(QStringLiteral("КонецДокумента")));
    QString noEnd = statementText(one, QStringLiteral("Windows"), false);
    QString badSum = statementText(one);
    badSum.replace(QStringLiteral("Сумма=10"), QStringLiteral("Сумма=десять"));
    QString twoOpen = statementText(one);
    twoOpen.replace(QStringLiteral("КонецДокумента\r\n"), QString());
    twoOpen.replace(QStringLiteral("КонецФайла"),
                    QStringLiteral("СекцияДокумент=Платежное поручение\r\nКонецДокумента\r\n"
                                   "КонецФайла"));
    const struct {
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {encode(cut, "CP1251"),
         "Строка 16: документ, начатый в строке 8, не закрыт строкой КонецДокумента"},
        {encode(noEnd, "CP1251"),
         "Строка 17: нет строки КонецФайла: файл обрезан или записан не до конца"},
        {encode(badSum, "CP1251"), "Строка 11: сумма 'десять' не число"},
        {encode(twoOpen, "CP1251"),
         "Строка 17: документ, начатый в строке 8, не закрыт строкой КонецДокумента"},
        {encode(statementText(one, QStringLiteral("KOI8")), "CP1251"),
         "Строка 3: неизвестная кодировка 'KOI8'; читаются Windows и DOS"},
        {QByteArray("AbNumber,Priznak\n1,ALL\n"),
         "Строка 1: файл не является выпиской банка в формате 1CClientBankExchange"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(c.bytes), QString::fromUtf8(c.message));
}

TEST(BankImport, SortsDocumentsIntoTheThreeHeaps) {
    Exchange x;
    seed(x);
    const auto plan = billing::planBankImport(x.db(), windowsStatement(kMixed),
                                              QStringLiteral("v.txt"), kOurs);
    const QStringList expected = {
        "M 2200193 ALL",
        "M 3000003 VECH",
        "U у номера 3000003 несколько признаков (ALL, VECH), в назначении платежа не указан "
        "один из них",
        "U в назначении платежа нет номера абонента",
        "U номер 9999999 не найден среди абонентов",
        "U не на наш счет (счет получателя 40702810000000000999)",
        "U исходящий платеж с нашего счета",
        "U несколько номеров абонентов: 2200193, 3000003",
        "U нет долга для номера 4000004 с признаком ALL",
        "D повтор документа строки 8",
    };
    QStringList got;
    for (const auto& p : plan.documents)
        got.append(p.heap == Heap::Matched
                       ? QStringLiteral("M %1 %2").arg(p.number).arg(p.category)
                       : (p.heap == Heap::Duplicate ? QStringLiteral("D ") : QStringLiteral("U ")) +
                             p.reason);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(plan.matched, 2);
    EXPECT_EQ(plan.duplicates, 1);
    EXPECT_EQ(plan.unmatched, 7);
    EXPECT_EQ(plan.matchedTotal, Money::fromUnits(1700000));
    EXPECT_EQ(x.rows("PaneDate"), QStringList());  // planning writes nothing
}

TEST(BankImport, PostsLikeTheDialogAndNothingTwice) {
    Exchange typed;
    Exchange loaded;
    seed(typed);
    seed(loaded);
    billing::confirmPayment(typed.db(), 2200193, QStringLiteral("ALL"), QStringLiteral("150"),
                            QLocale::c(), kToday);
    billing::confirmPayment(typed.db(), 3000003, QStringLiteral("VECH"), QStringLiteral("20"),
                            QLocale::c(), kToday);
    const auto statement = windowsStatement(kMixed);
    const auto first = billing::postBankImport(loaded.db(), statement,
                                               QStringLiteral("vypiska.txt"), kOurs, kToday);
    EXPECT_EQ(first.matched, 2);
    EXPECT_EQ(loaded.rows("DolgTb"), typed.rows("DolgTb"));
    EXPECT_EQ(loaded.rows("PaneDate"), typed.rows("PaneDate"));
    const QStringList journal = loaded.rows("PaneJournal");
    ASSERT_EQ(journal.size(), 2);
    EXPECT_TRUE(journal[0].startsWith(QStringLiteral("2200193|ALL|10.04.2026|")));
    EXPECT_TRUE(journal[0].endsWith(QStringLiteral("|200.4|150|vypiska.txt №11 от 05.04.2026")));

    // Loading it again, or a statement overlapping it, posts nothing new and lists the
    // unmatched ones once.
    const auto again = billing::postBankImport(loaded.db(), statement,
                                               QStringLiteral("vypiska2.txt"), kOurs, kToday);
    EXPECT_EQ(again.matched, 0);
    EXPECT_EQ(again.duplicates, 3);
    EXPECT_EQ(loaded.rows("PaneJournal").size(), 2);
    EXPECT_EQ(loaded.rows("DolgTb"), typed.rows("DolgTb"));
    db::Query unmatched(loaded.db());
    billing::openUnmatchedPayments(unmatched);
    EXPECT_EQ(unmatched.recordCount(), 7);
}

TEST(BankImport, UnmatchedPostedByHandLeaveTheList) {
    Exchange x;
    seed(x);
    billing::postBankImport(x.db(), windowsStatement(kMixed), QStringLiteral("v.txt"), kOurs,
                            kToday);
    db::Query list(x.db());
    billing::openUnmatchedPayments(list);
    const qint64 several = list.value(0, QStringLiteral("Id")).toLongLong();  // № 13, 30.00
    const qint64 outgoing = list.value(4, QStringLiteral("Id")).toLongLong();  // № 17
    const auto paid = billing::postUnmatchedPayment(x.db(), several, 3000003,
                                                    QStringLiteral("vech"), kOurs, kToday);
    EXPECT_EQ(paid.due, Money::fromUnits(300000));
    EXPECT_EQ(paid.remaining, Money());
    billing::openUnmatchedPayments(list);
    EXPECT_EQ(list.recordCount(), 6);
    for (const qint64 id : {several, outgoing}) {
        EXPECT_THROW(billing::postUnmatchedPayment(x.db(), id, 3000003, QStringLiteral("ALL"),
                                                   kOurs, kToday),
                     Error);
    }
    EXPECT_EQ(x.rows("PaneJournal").size(), 3);
    // An account set to zeros is no account: refused before anything is read.
    EXPECT_THROW(billing::planBankImport(x.db(), windowsStatement(kMixed), QStringLiteral("v"),
                                         QStringLiteral("00000000000000")),
                 Error);
}

TEST(BankImport, JournalNameFitsItsColumn) {
    billing::BankDocument doc;
    doc.number = QStringLiteral("123");
    doc.date = QDate(2026, 4, 5);
    EXPECT_EQ(billing::enteredByOf(QStringLiteral("v.txt"), doc),
              QStringLiteral("v.txt №123 от 05.04.2026"));
    const QString longName = billing::enteredByOf(QStringLiteral("kl_to_1c_2026_04_05.txt"), doc);
    EXPECT_EQ(longName.size(), 29);
    EXPECT_TRUE(longName.endsWith(QStringLiteral("… №123 от 05.04.2026")));
}
