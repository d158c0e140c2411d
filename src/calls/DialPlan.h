#pragma once
// The dial plan of the exchange: how a call detail record's numbers become a call of DESTTAR.
// It says which calling numbers are our subscribers (AbNumber), which characters to strip from
// both numbers, and how the dialled number gives Cat, Number_of_call, Code or CodeForeign (the
// longest code of Sng.db or Foren.db that starts the number) and TRF (the zone of that code).
//
// The file is plain text, one rule a line, '#' starts a comment:
//   subscribers FROM TO        calling numbers FROM..TO are subscribers (the line may repeat)
//   strip CHARS                characters removed from both numbers first (blanks always are)
//   city PREFIX DIGITS CAT     a number of DIGITS digits starting with PREFIX is a city call
//   long PREFIX CAT            PREFIX, then a code of Sng.db and the number: long distance
//   intl PREFIX CAT            PREFIX, then a code of Foren.db and the number: international
//   zone long|intl CODE TRF    the tariff zone of a code
// PREFIX "-" stands for none. Among the rules whose prefix starts the number the longest prefix
// wins (a city rule only when the digit count fits; of equal prefixes the city rule first). A
// long-distance or international number whose code is in neither table keeps the whole number after
// the prefix, no code and no zone, so that it shows among the unbilled calls. A number too long
// for Number_of_call (a 32-bit integer) gives its leading digits to Code or CodeForeign, which
// then names no code of the tables, and has no zone: the call is kept, with every digit, among
// the unbilled calls rather than dropped.
//
// A malformed line raises Error(Refused) naming the file and the line; so does a file of more
// than 1 MB, naming the file.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace orv::db {
class Database;
}

namespace orv::calls {

struct DialledCall {
    int cat = 0;
    qint64 number = 0;  // Number_of_call
    QString code;       // empty for none
    QString codeForeign;
    std::optional<double> trf;
};

class DialPlan {
  public:
    // Parses the text of a dial plan file; source names it in messages.
    static DialPlan parse(const QString& text, const QString& source);
    static DialPlan read(const QString& path);
    // The commented sample that fits the demo exchange.
    static QString sample();
    // dialplan.conf beside the program's other configuration; written from the sample when it
    // does not exist yet.
    static QString defaultPath();

    // The destination codes: KOD of Sng.db and of Foren.db.
    void setCodes(const QList<QByteArray>& longCodes, const QList<QByteArray>& foreignCodes);
    void readCodes(db::Database& db);

    // The subscriber number of a calling number; none when it is not one of ours.
    std::optional<qint64> subscriber(const QByteArray& calling) const;
    // The call a dialled number makes; none when no rule of the plan takes it.
    std::optional<DialledCall> destination(const QByteArray& dialled) const;

  private:
    enum class Kind { City, Long, Intl };
    struct Rule {
        Kind kind;
        QByteArray prefix;
        int digits = 0;  // city rules
        int cat = 0;
    };
    struct Codes {
        QSet<QByteArray> codes;
        int longest = 0;
        QHash<QByteArray, double> zones;
    };

    QByteArray stripped(const QByteArray& number) const;
    std::optional<DialledCall> apply(const Rule& rule, const QByteArray& rest) const;
    static void setCodeList(Codes& codes, const QList<QByteArray>& list);

    QList<std::pair<qint64, qint64>> subscribers_;
    QByteArray strip_;
    QList<Rule> rules_;  // longest prefix first
    Codes long_;
    Codes intl_;
};

}  // namespace orv::calls
