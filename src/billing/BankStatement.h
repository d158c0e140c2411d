#pragma once
// A bank statement in the exchange format of Russian banks and accounting programs,
// "1CClientBankExchange" versions 1.02 and 1.03: a header of Key=Value lines (Кодировка=Windows
// for Windows-1251, Кодировка=DOS for code page 866), account sections СекцияРасчСчет ..
// КонецРасчСчет, one СекцияДокумент=<kind> .. КонецДокумента per payment, and КонецФайла.
//
// readBankStatement() reads the whole file or nothing: a file of another format, an unknown
// encoding or version, a document that is never closed, a missing КонецФайла (a file cut short),
// a sum that is no number, a date that is no date or a value longer than the program keeps is
// refused with Error(Refused) "Строка N: ..." naming the line. Keys the program does not use are
// skipped; so is whatever follows КонецФайла.

#include "billing/Money.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace orv::billing {

struct BankDocument {
    int line = 0;     // the line of СекцияДокумент
    QString kind;     // "Платежное поручение" ...
    QString number;   // Номер
    QDate date;       // Дата
    Money amount;     // Сумма
    QString payerAccount;     // ПлательщикСчет
    QString payerName;        // Плательщик1, or Плательщик when there is no Плательщик1
    QString payerInn;         // ПлательщикИНН
    QString receiverAccount;  // ПолучательСчет
    QDate received;           // ДатаПоступило (invalid when empty)
    QString purpose;          // НазначениеПлатежа
};

struct BankStatement {
    QString version;   // ВерсияФормата
    QString encoding;  // Кодировка as written
    QList<BankDocument> documents;
};

// Widths of the values the program stores; longer values are refused, never cut.
inline constexpr int kDocNumberWidth = 30;
inline constexpr int kAccountWidth = 30;
inline constexpr int kPayerNameWidth = 500;
inline constexpr int kInnWidth = 20;
inline constexpr int kPurposeWidth = 1000;

BankStatement readBankStatement(const QByteArray& bytes);

}  // namespace orv::billing
