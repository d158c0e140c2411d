#include "calls/DialPlan.h"

#include "core/BoundedRead.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "db/Query.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

inline void initDialPlanResource() { Q_INIT_RESOURCE(dialplan); }

namespace orv::calls {
namespace {

constexpr qint64 kMaxNumberOfCall = 2147483647;
constexpr qint64 kMaxPlanBytes = core::kMegabyte;
constexpr qsizetype kMaxCodeLength = 10;  // Code and CodeForeign are VARCHAR(10)

bool allDigits(const QByteArray& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Number_of_call is a 32-bit integer.
bool fitsNumberOfCall(const QByteArray& digits) {
    return !digits.isEmpty() && digits.size() <= 10 && digits.toLongLong() <= kMaxNumberOfCall;
}

class PlanParser {
  public:
    PlanParser(const QString& source, int line) : source_(source), line_(line) {}

    [[noreturn]] void fail(const QString& what) const {
        raise(Error::Kind::Refused,
              QStringLiteral("План набора %1, строка %2: %3").arg(source_).arg(line_).arg(what));
    }
    void expectWords(const QList<QByteArray>& words, int count, const char* form) const {
        if (words.size() != count)
            fail(QStringLiteral("ожидается \"%1\"").arg(QString::fromUtf8(form)));
    }
    qint64 number(const QByteArray& word, qint64 low, qint64 high) const {
        bool ok = allDigits(word);
        const qint64 value = ok ? word.toLongLong(&ok) : 0;
        if (!ok || value < low || value > high)
            fail(QStringLiteral("'%1' не целое число от %2 до %3")
                     .arg(QString::fromUtf8(word))
                     .arg(low)
                     .arg(high));
        return value;
    }
    QByteArray prefix(const QByteArray& word) const {
        if (word == "-") return {};
        if (!allDigits(word))
            fail(QStringLiteral("префикс '%1' не из цифр").arg(QString::fromUtf8(word)));
        return word;
    }

  private:
    const QString& source_;
    int line_;
};

}  // namespace

QString DialPlan::sample() {
    initDialPlanResource();
    QFile file(QStringLiteral(":/calls/dialplan.conf"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

QString DialPlan::defaultPath() {
    const QString path = QFileInfo(db::Aliases::defaultConfigPath()).absolutePath() +
                         QStringLiteral("/dialplan.conf");
    if (QFileInfo::exists(path)) return path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sample().toUtf8()) < 0 || !file.flush())
        raise(
            Error::Kind::Refused,
            QStringLiteral("Не удалось записать план набора %1: %2").arg(path, file.errorString()));
    return path;
}

DialPlan DialPlan::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(
            Error::Kind::Refused,
            QStringLiteral("Не удалось открыть план набора %1: %2").arg(path, file.errorString()));
    return parse(
        QString::fromUtf8(core::readAtMost(file, kMaxPlanBytes, QStringLiteral("План набора"))),
        path);
}

DialPlan DialPlan::parse(const QString& text, const QString& source) {
    DialPlan plan;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const PlanParser p(source, i + 1);
        const QByteArray line = lines[i].section(QLatin1Char('#'), 0, 0).trimmed().toUtf8();
        if (line.isEmpty()) continue;
        const QList<QByteArray> words = line.simplified().split(' ');
        const QByteArray& keyword = words.first();
        if (keyword == "subscribers") {
            p.expectWords(words, 3, "subscribers С ПО");
            const qint64 from = p.number(words[1], 0, 9999999);
            const qint64 to = p.number(words[2], from, 9999999);
            plan.subscribers_.append({from, to});
        } else if (keyword == "strip") {
            p.expectWords(words, 2, "strip СИМВОЛЫ");
            plan.strip_ += words[1];
        } else if (keyword == "city") {
            p.expectWords(words, 4, "city ПРЕФИКС ЦИФР КНС");
            Rule rule{Kind::City, p.prefix(words[1]), 0, 0};
            rule.digits = int(p.number(words[2], std::max<qint64>(1, rule.prefix.size() + 1), 19));
            rule.cat = int(p.number(words[3], 0, 7));
            plan.rules_.append(rule);
        } else if (keyword == "long" || keyword == "intl") {
            p.expectWords(words, 3, "long|intl ПРЕФИКС КНС");
            plan.rules_.append({keyword == "long" ? Kind::Long : Kind::Intl, p.prefix(words[1]), 0,
                                int(p.number(words[2], 8, 32767))});
        } else if (keyword == "zone") {
            p.expectWords(words, 4, "zone long|intl КОД ЗОНА");
            if (words[1] != "long" && words[1] != "intl")
                p.fail(QStringLiteral("после zone ожидается long или intl"));
            if (!allDigits(words[2]))
                p.fail(QStringLiteral("код '%1' не из цифр").arg(QString::fromUtf8(words[2])));
            bool ok = false;
            const double trf = words[3].toDouble(&ok);
            if (!ok || !std::isfinite(trf))
                p.fail(QStringLiteral("зона '%1' не число").arg(QString::fromUtf8(words[3])));
            (words[1] == "long" ? plan.long_ : plan.intl_).zones.insert(words[2], trf);
        } else {
            p.fail(QStringLiteral("неизвестное правило '%1'").arg(QString::fromUtf8(keyword)));
        }
    }
    if (plan.subscribers_.isEmpty())
        PlanParser(source, int(lines.size()))
            .fail(QStringLiteral("нет ни одной строки subscribers"));
    // Longest prefix first; of equal prefixes a city rule, bound to its digit count, first.
    std::stable_sort(plan.rules_.begin(), plan.rules_.end(), [](const Rule& a, const Rule& b) {
        if (a.prefix.size() != b.prefix.size()) return a.prefix.size() > b.prefix.size();
        return a.kind == Kind::City && b.kind != Kind::City;
    });
    return plan;
}

void DialPlan::setCodeList(Codes& codes, const QList<QByteArray>& list) {
    codes.codes.clear();
    codes.longest = 0;
    for (const QByteArray& code : list) {
        const QByteArray trimmed = code.trimmed();
        if (!allDigits(trimmed)) continue;
        codes.codes.insert(trimmed);
        codes.longest = std::max(codes.longest, int(trimmed.size()));
    }
}

void DialPlan::setCodes(const QList<QByteArray>& longCodes, const QList<QByteArray>& foreignCodes) {
    setCodeList(long_, longCodes);
    setCodeList(intl_, foreignCodes);
}

void DialPlan::readCodes(db::Database& db) {
    auto codesOf = [&db](const char* table) {
        db::Query query(db, QStringLiteral("SELECT KOD FROM %1").arg(QLatin1String(table)));
        query.open();
        QList<QByteArray> codes;
        for (qint64 r = 0; r < query.recordCount(); ++r)
            codes.append(query.value(r, 0).toString().toUtf8());
        return codes;
    };
    setCodes(codesOf("Sng"), codesOf("Foren"));
}

QByteArray DialPlan::stripped(const QByteArray& number) const {
    QByteArray result;
    result.reserve(number.size());
    for (char c : number)
        if (c != ' ' && c != '\t' && !strip_.contains(c)) result.append(c);
    return result;
}

std::optional<qint64> DialPlan::subscriber(const QByteArray& calling) const {
    const QByteArray number = stripped(calling);
    if (!allDigits(number) || number.size() > 7) return std::nullopt;
    const qint64 value = number.toLongLong();
    for (const auto& [from, to] : subscribers_)
        if (value >= from && value <= to) return value;
    return std::nullopt;
}

std::optional<DialledCall> DialPlan::apply(const Rule& rule, const QByteArray& rest) const {
    DialledCall call;
    call.cat = rule.cat;
    QByteArray number = rest;
    if (rule.kind != Kind::City) {
        const Codes& codes = rule.kind == Kind::Long ? long_ : intl_;
        for (int length = std::min(codes.longest, int(rest.size()) - 1); length > 0; --length) {
            const QByteArray code = rest.left(length);
            if (!codes.codes.contains(code)) continue;
            (rule.kind == Kind::Long ? call.code : call.codeForeign) = QString::fromLatin1(code);
            if (const auto zone = codes.zones.constFind(code); zone != codes.zones.cend())
                call.trf = *zone;
            number = rest.mid(length);
            break;
        }
    }
    if (rule.kind != Kind::City && !fitsNumberOfCall(number)) {
        // The leading digits that do not fit go to the code column: the call is kept whole and,
        // its code known to no table and without a zone, shows among the unbilled calls.
        qsizetype cut = rest.size() - number.size();
        while (cut < rest.size() && (rest[cut] == '0' || !fitsNumberOfCall(rest.mid(cut)))) ++cut;
        if (cut == rest.size() || cut > kMaxCodeLength) return std::nullopt;
        (rule.kind == Kind::Long ? call.code : call.codeForeign) =
            QString::fromLatin1(rest.left(cut));
        call.trf.reset();
        number = rest.mid(cut);
    }
    if (!fitsNumberOfCall(number)) return std::nullopt;
    call.number = number.toLongLong();
    return call;
}

std::optional<DialledCall> DialPlan::destination(const QByteArray& dialled) const {
    const QByteArray number = stripped(dialled);
    if (!allDigits(number)) return std::nullopt;
    for (const Rule& rule : rules_) {
        if (!number.startsWith(rule.prefix)) continue;
        if (rule.kind == Kind::City && number.size() != rule.digits) continue;
        if (rule.kind != Kind::City && number.size() == rule.prefix.size()) return std::nullopt;
        return apply(rule, number.mid(rule.prefix.size()));
    }
    return std::nullopt;
}

}  // namespace orv::calls
