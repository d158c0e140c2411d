#include "calls/CdrImport.h"

#include "calls/CallAppend.h"
#include "calls/DialPlan.h"
#include "core/CsvReader.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/Query.h"

#include <QDate>
#include <QHashFunctions>
#include <QTime>
#include <tuple>
#include <vector>

namespace orv::calls {
namespace {

// Where a format keeps what the import reads.
struct Layout {
    int calling, dialled, start, answer, end, duration, billsec;
    int disposition;  // -1: answered is a non-empty answer stamp
    int id;           // column of uniqueid / uuid
    int minColumns, maxColumns;
};

const Layout& layoutOf(CdrFormat format) {
    static const Layout asterisk{1, 2, 9, 10, 11, 12, 13, 14, 16, 16, 21};
    static const Layout freeSwitch{1, 2, 4, 5, 6, 7, 8, -1, 10, 15, 15};
    return format == CdrFormat::Asterisk ? asterisk : freeSwitch;
}

constexpr qint64 kDaySeconds = 24 * 60 * 60;

[[noreturn]] void badLine(qint64 line, const QString& what) {
    raise(Error::Kind::Refused,
          QStringLiteral("Строка %1: %2; файл не загружен").arg(line).arg(what));
}

int twoDigits(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

bool digitsAt(const QByteArray& text, std::initializer_list<int> positions) {
    for (int i : positions)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// "YYYY-MM-DD HH:MM:SS"; empty stays empty, anything else refuses the file.
struct Stamp {
    QByteArray date, time;  // ISO, as stored
};

std::optional<Stamp> stampOf(const QByteArray& text, const char* column, qint64 line) {
    if (text.isEmpty()) return std::nullopt;
    const bool shaped = text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' &&
                        text[13] == ':' && text[16] == ':' &&
                        digitsAt(text, {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18});
    const char* p = text.constData();
    if (!shaped ||
        !QDate(twoDigits(p) * 100 + twoDigits(p + 2), twoDigits(p + 5), twoDigits(p + 8))
             .isValid() ||
        !QTime(twoDigits(p + 11), twoDigits(p + 14), twoDigits(p + 17)).isValid())
        badLine(line, QStringLiteral("поле %1: '%2' не дата и время ГГГГ-ММ-ДД ЧЧ:ММ:СС")
                          .arg(QLatin1String(column), QString::fromUtf8(text)));
    return Stamp{text.left(10), text.mid(11)};
}

qint64 secondsOf(const QByteArray& text, const char* column, qint64 line) {
    bool ok = !text.isEmpty() && text.size() <= 10;
    for (char c : text) ok = ok && c >= '0' && c <= '9';
    if (!ok)
        badLine(line, QStringLiteral("поле %1: '%2' не целое число секунд")
                          .arg(QLatin1String(column), QString::fromUtf8(text)));
    return text.toLongLong();
}

// The stamps of a record, in the order they happen: none may be later than one after it.
void checkOrder(std::initializer_list<std::pair<const char*, const std::optional<Stamp>&>> stamps,
                qint64 line) {
    const std::pair<const char*, const std::optional<Stamp>&>* earlier = nullptr;
    for (const auto& stamp : stamps) {
        if (!stamp.second) continue;
        if (earlier && std::tie(earlier->second->date, earlier->second->time) >
                           std::tie(stamp.second->date, stamp.second->time))
            badLine(
                line,
                QStringLiteral("время %1 %2 %3 позже времени %4 %5 %6")
                    .arg(QLatin1String(earlier->first), QString::fromLatin1(earlier->second->date),
                         QString::fromLatin1(earlier->second->time), QLatin1String(stamp.first),
                         QString::fromLatin1(stamp.second->date),
                         QString::fromLatin1(stamp.second->time)));
        earlier = &stamp;
    }
}

QVariant textOrNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

// The first row of DolgTb.db names the month start the last debt run reckoned to.
QDate lastReckoning(db::Database& db) {
    if (!db.tableExists(QStringLiteral("DolgTb"))) return {};
    db::Query first(db, QStringLiteral("SELECT YearMonth FROM DolgTb"));
    first.open();
    return first.isEmpty() ? QDate() : first.asDate(QStringLiteral("YearMonth"));
}

// The ids of the calls taken, kept as 64-bit hashes in one open-addressed table: a million
// calls cost 16 MB.
class IdSet {
  public:
    // True when the id was not in the set yet.
    bool insert(const QByteArray& id) {
        quint64 hash = qHashBits(id.constData(), size_t(id.size()), 1);
        if (hash == 0) hash = 1;
        if (2 * (count_ + 1) > slots_.size()) grow();
        if (!place(slots_, hash)) return false;
        ++count_;
        return true;
    }

  private:
    static bool place(std::vector<quint64>& table, quint64 hash) {
        const size_t mask = table.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            if (table[i] == hash) return false;
            if (table[i] == 0) {
                table[i] = hash;
                return true;
            }
        }
    }
    void grow() {
        std::vector<quint64> larger(std::max<size_t>(1024, slots_.size() * 2), 0);
        for (quint64 hash : slots_)
            if (hash != 0) place(larger, hash);
        slots_.swap(larger);
    }

    std::vector<quint64> slots_;
    size_t count_ = 0;
};

class Importer {
  public:
    Importer(CdrFormat format, const DialPlan& plan, CdrSummary& summary, CallStaging& staging)
        : format_(format),
          layout_(layoutOf(format)),
          plan_(plan),
          summary_(summary),
          staging_(staging) {}

    void take(const QList<QByteArray>& f, qint64 line) {
        ++summary_.lines;
        if (f.size() < layout_.minColumns || f.size() > layout_.maxColumns) {
            const QString expected =
                layout_.minColumns == layout_.maxColumns
                    ? QString::number(layout_.minColumns)
                    : QStringLiteral("от %1 до %2").arg(layout_.minColumns).arg(layout_.maxColumns);
            badLine(line, QStringLiteral("полей %1, а в записи %2 их %3")
                              .arg(f.size())
                              .arg(formatName())
                              .arg(expected));
        }
        const std::optional<Stamp> start = stampOf(f[layout_.start], "start", line);
        const std::optional<Stamp> answer = stampOf(f[layout_.answer], "answer", line);
        const std::optional<Stamp> end = stampOf(f[layout_.end], "end", line);
        checkOrder({{"start", start}, {"answer", answer}, {"end", end}}, line);
        const qint64 duration = secondsOf(f[layout_.duration], "duration", line);
        const qint64 billsec = secondsOf(f[layout_.billsec], "billsec", line);
        if (billsec > duration)
            badLine(line,
                    QStringLiteral("billsec %1 больше duration %2").arg(billsec).arg(duration));
        if (billsec > kDaySeconds)
            badLine(line,
                    QStringLiteral("billsec %1 больше суток (%2 с)").arg(billsec).arg(kDaySeconds));
        const bool answered =
            answer && (layout_.disposition < 0 || f[layout_.disposition] == "ANSWERED");
        if (!answered) {
            ++summary_.unanswered;
            return;
        }
        if (billsec == 0) {
            ++summary_.zeroLength;
            return;
        }
        const std::optional<qint64> subscriber = plan_.subscriber(f[layout_.calling]);
        if (!subscriber) {
            ++summary_.notSubscriber;
            return;
        }
        const std::optional<DialledCall> call = plan_.destination(f[layout_.dialled]);
        if (!call) {
            ++summary_.notInPlan;
            return;
        }
        if (!seen_.insert(callId(f))) {
            ++summary_.duplicates;
            return;
        }
        staging_.add({*subscriber, QString::fromLatin1(answer->date),
                      QString::fromLatin1(answer->time), (billsec + 59) / 60, call->cat,
                      call->number, textOrNull(call->code), textOrNull(call->codeForeign),
                      call->trf ? QVariant(*call->trf) : QVariant()});
    }

  private:
    // The uniqueid or uuid; a record without one is known by all its fields, so that the same
    // row written twice is one call.
    QByteArray callId(const QList<QByteArray>& f) const {
        if (layout_.id < f.size() && !f[layout_.id].isEmpty()) return f[layout_.id];
        QByteArray whole(1, '\0');
        for (const QByteArray& field : f) whole += field + '\x1f';
        return whole;
    }

    QString formatName() const {
        return format_ == CdrFormat::Asterisk ? QStringLiteral("Asterisk")
                                              : QStringLiteral("FreeSWITCH");
    }

    CdrFormat format_;
    const Layout& layout_;
    const DialPlan& plan_;
    CdrSummary& summary_;
    CallStaging& staging_;
    IdSet seen_;  // the ids of the calls taken
};

}  // namespace

CdrSummary importCdr(db::Database& db, QIODevice& file, CdrFormat format, const DialPlan& plan,
                     bool again, const CdrProgress& progress) {
    CdrSummary summary;
    CallStaging staging(db);
    Importer importer(format, plan, summary, staging);
    core::CsvReader reader(file);
    QList<QByteArray> fields;
    const qint64 size = std::max<qint64>(1, file.size());
    while (reader.next(&fields)) {
        importer.take(fields, reader.recordLine());
        if (progress && summary.lines % 16384 == 0) progress(int(90 * file.pos() / size));
    }
    if (summary.lines == 0) raise(Error::Kind::Refused, QStringLiteral("В файле нет записей"));
    if (progress) progress(90);
    if (const QDate reckoned = lastReckoning(db); reckoned.isValid())
        summary.reckoned = staging.removeDatedBefore(reckoned);
    const qint64 staged = staging.staged();
    const CallStaging::Appended appended = staging.append(!again);
    summary.imported = appended.rows;
    summary.minutes = appended.minutes;
    summary.duplicates += staged - appended.rows;
    if (progress) progress(100);
    return summary;
}

QString cdrSummaryText(const CdrSummary& s) {
    return QStringLiteral(
               "Прочитано записей: %1, загружено разговоров: %2 (минут: %3); пропущено: "
               "не отвечены %4, нулевой длительности %5, не абоненты %6, не по плану набора "
               "%7, повторы %8, до последнего расчета долга %9")
        .arg(s.lines)
        .arg(s.imported)
        .arg(s.minutes)
        .arg(s.unanswered)
        .arg(s.zeroLength)
        .arg(s.notSubscriber)
        .arg(s.notInPlan)
        .arg(s.duplicates)
        .arg(s.reckoned);
}

}  // namespace orv::calls
