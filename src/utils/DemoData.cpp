#include "utils/DemoData.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Schema.h"
#include "db/Sqlite.h"
#include "db/Transaction.h"

#include <QSet>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <span>
#include <vector>

namespace orv::utils {
namespace {

// xoshiro256** seeded through splitmix64. Its own integer ranges keep a seed's data the same
// whatever the standard library's distributions do.
class Random {
  public:
    Random(quint64 seed, quint64 stream) {
        quint64 x = seed ^ (stream * 0xD1B54A32D192ED03ULL);
        for (quint64& s : state_) s = splitMix(x);
    }

    quint64 next() {
        const quint64 result = rotl(state_[1] * 5, 7) * 9;
        const quint64 t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // Uniform in [0, n), without the bias of a plain remainder. Requires: n > 0.
    quint64 below(quint64 n) {
        const quint64 rejected = (0 - n) % n;  // 2^64 mod n values would favour the low results
        for (;;) {
            const quint64 r = next();
            if (r >= rejected) return r % n;
        }
    }
    qint64 between(qint64 low, qint64 high) {
        return low + static_cast<qint64>(below(static_cast<quint64>(high - low) + 1));
    }
    bool perMille(int chance) { return below(1000) < static_cast<quint64>(chance); }
    // An index drawn with the given weights. Requires: a positive total.
    int weighted(std::span<const int> weights) {
        int total = 0;
        for (const int w : weights) total += w;
        qint64 r = static_cast<qint64>(below(static_cast<quint64>(total)));
        for (int i = 0; i < static_cast<int>(weights.size()); ++i) {
            if (r < weights[i]) return i;
            r -= weights[i];
        }
        return static_cast<int>(weights.size()) - 1;
    }

  private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    static quint64 splitMix(quint64& x) {
        quint64 z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::array<quint64, 4> state_{};
};

// The categories with their share of subscribers, monthly fee and city price per minute,
// before and after the change in the middle of the span.
struct Category {
    const char* name;
    int weight;
    double fee, newFee;
    double cityCost, newCityCost;
};
constexpr std::array<Category, 6> kCategories = {{
    {"ALL", 50, 250.0, 275.0, 0.45, 0.5},
    {"VECH", 12, 180.0, 198.0, 0.3, 0.33},
    {"DAY", 12, 200.0, 220.0, 0.4, 0.44},
    {"BUDG", 10, 320.0, 352.0, 0.6, 0.66},
    {"OTHER", 10, 400.0, 440.0, 0.75, 0.82},
    {"BLOCK", 6, 60.5, 66.55, 1.0, 1.1},
}};
constexpr int kBudget = 3;
constexpr int kOther = 4;
constexpr int kBlocked = 5;

// Long-distance zones and their price per minute; zones whose two prices agree do not change.
struct Zone {
    int trf;
    double cost, newCost;
};
constexpr std::array<Zone, 8> kZones = {{
    {1, 3.5, 3.9},
    {2, 5.0, 5.5},
    {3, 7.2, 7.2},
    {4, 9.8, 9.8},
    {5, 18.0, 19.8},
    {6, 24.0, 26.4},
    {7, 32.0, 32.0},
    {8, 45.0, 45.0},
}};

// A destination: its code, name, tariff zone, the digits of a number there and how often it
// is called.
struct Destination {
    const char* code;
    const char* name;
    int zone;
    int digits;
    int weight;
};
constexpr std::array<Destination, 27> kLongDistance = {{
    {"495", "Москва", 2, 7, 30},
    {"812", "Санкт-Петербург", 2, 7, 14},
    {"831", "Нижний Новгород", 1, 7, 5},
    {"843", "Казань", 1, 7, 5},
    {"846", "Самара", 1, 7, 4},
    {"8442", "Волгоград", 1, 6, 3},
    {"863", "Ростов-на-Дону", 2, 7, 4},
    {"861", "Краснодар", 2, 7, 5},
    {"473", "Воронеж", 1, 7, 3},
    {"342", "Пермь", 2, 7, 2},
    {"347", "Уфа", 2, 7, 2},
    {"343", "Екатеринбург", 3, 7, 4},
    {"351", "Челябинск", 3, 7, 2},
    {"383", "Новосибирск", 3, 7, 3},
    {"3812", "Омск", 3, 6, 2},
    {"391", "Красноярск", 3, 7, 2},
    {"3952", "Иркутск", 4, 6, 1},
    {"4212", "Хабаровск", 4, 6, 1},
    {"423", "Владивосток", 4, 7, 1},
    {"37517", "Минск", 4, 7, 3},
    {"38044", "Киев", 4, 7, 2},
    {"7727", "Алматы", 4, 7, 1},
    {"99871", "Ташкент", 4, 7, 1},
    {"99412", "Баку", 4, 7, 1},
    {"37410", "Ереван", 4, 6, 1},
    {"99532", "Тбилиси", 4, 7, 1},
    {"37322", "Кишинёв", 4, 6, 1},
}};
constexpr std::array<Destination, 19> kInternational = {{
    {"49", "Германия", 5, 9, 12},      {"48", "Польша", 5, 9, 5},    {"420", "Чехия", 5, 9, 3},
    {"358", "Финляндия", 5, 8, 4},     {"43", "Австрия", 5, 9, 2},   {"33", "Франция", 5, 9, 4},
    {"44", "Великобритания", 6, 9, 4}, {"39", "Италия", 6, 9, 4},    {"34", "Испания", 6, 9, 3},
    {"46", "Швеция", 6, 8, 2},         {"41", "Швейцария", 6, 9, 2}, {"30", "Греция", 6, 9, 2},
    {"90", "Турция", 6, 9, 6},         {"972", "Израиль", 7, 8, 5},  {"971", "ОАЭ", 7, 8, 2},
    {"86", "Китай", 7, 9, 3},          {"1", "США", 8, 9, 4},        {"81", "Япония", 8, 9, 1},
    {"91", "Индия", 8, 9, 1},
}};

struct Surname {
    const char* male;
    const char* female;
};
constexpr std::array<Surname, 30> kSurnames = {{
    {"Иванов", "Иванова"},     {"Смирнов", "Смирнова"},   {"Кузнецов", "Кузнецова"},
    {"Попов", "Попова"},       {"Васильев", "Васильева"}, {"Петров", "Петрова"},
    {"Соколов", "Соколова"},   {"Михайлов", "Михайлова"}, {"Новиков", "Новикова"},
    {"Фёдоров", "Фёдорова"},   {"Морозов", "Морозова"},   {"Волков", "Волкова"},
    {"Алексеев", "Алексеева"}, {"Лебедев", "Лебедева"},   {"Семёнов", "Семёнова"},
    {"Егоров", "Егорова"},     {"Павлов", "Павлова"},     {"Козлов", "Козлова"},
    {"Степанов", "Степанова"}, {"Николаев", "Николаева"}, {"Орлов", "Орлова"},
    {"Андреев", "Андреева"},   {"Макаров", "Макарова"},   {"Никитин", "Никитина"},
    {"Захаров", "Захарова"},   {"Зайцев", "Зайцева"},     {"Соловьёв", "Соловьёва"},
    {"Борисов", "Борисова"},   {"Белоусов", "Белоусова"}, {"Ковальский", "Ковальская"},
}};
constexpr char kInitials[] = "АБВГДЕИКЛМНОПРСТФЮЯ";

constexpr std::array<const char*, 8> kInstitutions = {
    "Школа №%1",    "Детский сад №%1", "Поликлиника №%1", "Библиотека №%1",
    "Больница №%1", "Почта, отд. %1",  "Администрация",   "Дом культуры",
};
constexpr std::array<const char*, 10> kFirms = {
    "ООО \"Вектор\"",      "ООО \"Исток\"",       "ИП Гусев, ремонт", "ЗАО \"Агроснаб\"",
    "ООО \"Север, плюс\"", "Аптека \"Здоровье\"", "ООО \"Меридиан\"", "Магазин \"Берёзка\"",
    "ООО \"Техсервис\"",   "Кафе \"Уют\"",
};
constexpr std::array<const char*, 16> kStreets = {
    "ул. Ленина",      "ул. Советская",  "ул. Гагарина", "пр. Мира",
    "ул. Садовая",     "ул. Молодёжная", "ул. Школьная", "пер. Почтовый",
    "ул. Набережная",  "ул. Пушкина",    "ул. Кирова",   "ул. Заводская",
    "ул. Октябрьская", "пр. Строителей", "ул. 8 Марта",  "ул. Лесная",
};

// Calls by hour of the day: few at night, most in working hours, some in the evening window.
constexpr std::array<int, 24> kHours = {3,  2,  1,  1,  1,  2,  4,  8,  14, 18, 20, 20,
                                        18, 18, 19, 19, 18, 16, 14, 12, 10, 8,  6,  5};
constexpr std::array<int, 8> kCityCats = {40, 30, 10, 5, 5, 4, 3, 3};

// Durations in whole minutes as ranges and their weights.
struct Span {
    int low, high;
};
constexpr std::array<Span, 5> kDurations = {{{1, 2}, {3, 5}, {6, 15}, {16, 40}, {41, 120}}};
constexpr std::array<int, 5> kCityDurationWeights = {35, 35, 21, 8, 1};
constexpr std::array<int, 5> kTrunkDurationWeights = {25, 30, 30, 12, 3};

// Lines that call but are no subscribers (a payphone, the exchange's own service line).
constexpr std::array<qint64, 3> kUnlistedNumbers = {2990001, 2990002, 2990100};

// Public holidays and days off as (month, day).
constexpr std::array<std::array<int, 2>, 15> kHolidays = {{{1, 1},
                                                           {1, 2},
                                                           {1, 3},
                                                           {1, 4},
                                                           {1, 5},
                                                           {1, 6},
                                                           {1, 7},
                                                           {1, 8},
                                                           {2, 23},
                                                           {3, 8},
                                                           {5, 1},
                                                           {5, 9},
                                                           {6, 12},
                                                           {11, 4},
                                                           {12, 31}}};

QString utf8(const char* text) { return QString::fromUtf8(text); }
QString isoDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QString timeText(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return QString::fromLatin1(text, 8);
}

qint64 powerOfTen(int digits) {
    qint64 value = 1;
    for (int i = 0; i < digits; ++i) value *= 10;
    return value;
}

// One AbTab row.
struct Subscriber {
    qint64 number = 0;
    int category = 0;
    bool closed = false;
    QString fio;
    QString house;
    QString flat;
    QString street;
};

struct Exchange {
    std::vector<Subscriber> rows;
    std::vector<qint64> numbers;     // distinct, ascending
    std::vector<qint64> cumulative;  // running total of the numbers' call weights
};

QString personName(Random& random) {
    const Surname& surname = kSurnames[random.below(kSurnames.size())];
    const QString letters = utf8(kInitials);
    const QChar first = letters[static_cast<int>(random.below(letters.size()))];
    const QChar middle = letters[static_cast<int>(random.below(letters.size()))];
    return QStringLiteral("%1 %2.%3.")
        .arg(utf8(random.below(2) == 0 ? surname.male : surname.female))
        .arg(first)
        .arg(middle);
}

Exchange makeExchange(const DemoOptions& options) {
    Random random(options.seed, 1);
    Exchange exchange;
    // Numbers come from ten-thousand blocks of the exchange (22x-xx-xx), a fifth of each used.
    const quint64 blocks = static_cast<quint64>(std::max(1, (options.subscribers + 1999) / 2000));
    QSet<qint64> used;
    while (static_cast<int>(exchange.numbers.size()) < options.subscribers) {
        const qint64 number = static_cast<qint64>(220 + random.below(blocks)) * 10000 +
                              static_cast<qint64>(random.below(10000));
        if (number % 10000 == 0 || used.contains(number)) continue;
        used.insert(number);
        exchange.numbers.push_back(number);
    }
    std::sort(exchange.numbers.begin(), exchange.numbers.end());

    std::array<int, kCategories.size()> categoryWeights{};
    for (size_t i = 0; i < kCategories.size(); ++i) categoryWeights[i] = kCategories[i].weight;
    qint64 total = 0;
    for (int i = 0; i < options.subscribers; ++i) {
        Subscriber s;
        s.number = exchange.numbers[i];
        // The first six numbers take one category each, so every category is present.
        s.category =
            i < static_cast<int>(kCategories.size()) ? i : random.weighted(categoryWeights);
        s.closed = i == 6 || (i > 6 && random.perMille(40));
        s.street = utf8(kStreets[random.below(kStreets.size())]);
        s.house = QString::number(random.between(1, 120));
        if (random.perMille(150))
            s.house += random.below(2) == 0
                           ? QString(utf8("абв")[static_cast<int>(random.below(3))])
                           : QStringLiteral("/%1").arg(random.between(1, 3));
        if (s.category == kBudget) {
            s.fio = utf8(kInstitutions[random.below(kInstitutions.size())]);
            if (s.fio.contains(QLatin1String("%1"))) s.fio = s.fio.arg(random.between(1, 40));
        } else if (s.category == kOther) {
            s.fio = utf8(kFirms[random.below(kFirms.size())]);
        } else {
            s.fio = personName(random);
            if (random.perMille(700)) s.flat = QString::number(random.between(1, 180));
        }
        exchange.rows.push_back(s);
        // A few numbers are billed under two categories (a flat with a second, evening plan).
        if (!s.closed && (i == 7 || (i > 7 && random.perMille(30)))) {
            Subscriber second = s;
            const int others = static_cast<int>(kCategories.size()) - 1;
            second.category =
                (s.category + 1 + static_cast<int>(random.below(others))) % (others + 1);
            exchange.rows.push_back(second);
        }
        const qint64 weight = s.category == kBlocked ? 1 : random.between(1, 12);
        total += weight;
        exchange.cumulative.push_back(total);
    }
    return exchange;
}

// One DESTTAR row before it is written.
struct Call {
    qint64 number = 0;
    int seconds = 0;
    qint64 minutes = 0;
    qint64 cat = 0;
    qint64 dialled = 0;
    int longDistance = -1;   // index into kLongDistance
    int international = -1;  // index into kInternational
};

qint64 duration(Random& random, std::span<const int> weights) {
    const Span& span = kDurations[random.weighted(weights)];
    return random.between(span.low, span.high);
}

template <size_t N>
int pickDestination(Random& random, const std::array<Destination, N>& list) {
    std::array<int, N> weights{};
    for (size_t i = 0; i < N; ++i) weights[i] = list[i].weight;
    return random.weighted(weights);
}

Call makeCall(Random& random, const Exchange& exchange, int seconds) {
    Call call;
    call.seconds = seconds;
    if (random.perMille(3)) {
        call.number = kUnlistedNumbers[random.below(kUnlistedNumbers.size())];
    } else {
        const qint64 r = static_cast<qint64>(random.below(exchange.cumulative.back()));
        const auto it = std::upper_bound(exchange.cumulative.begin(), exchange.cumulative.end(), r);
        call.number = exchange.numbers[it - exchange.cumulative.begin()];
    }
    const quint64 kind = random.below(100);
    if (kind < 80) {
        call.cat = random.weighted(kCityCats);
        call.dialled = random.between(2200000, 2699999);
        call.minutes = duration(random, kCityDurationWeights);
    } else if (kind < 95) {
        call.cat = 8;
        call.longDistance = pickDestination(random, kLongDistance);
        const int digits = kLongDistance[call.longDistance].digits;
        call.dialled = random.between(2 * powerOfTen(digits - 1), powerOfTen(digits) - 1);
        call.minutes = duration(random, kTrunkDurationWeights);
    } else {
        call.cat = 9;
        call.international = pickDestination(random, kInternational);
        const int digits = kInternational[call.international].digits;
        call.dialled = random.between(2 * powerOfTen(digits - 1), powerOfTen(digits) - 1);
        call.minutes = duration(random, kTrunkDurationWeights);
    }
    return call;
}

// The work lock of the demo's writes on a server, shared by every seat.
constexpr qint64 kDemoLock = qint64(0x44454D4F) << 32;

// Appends rows to one table through a single prepared statement.
class RowWriter {
  public:
    RowWriter(db::Database& database, const db::TableDef& def)
        : statement_(database.statement(insertSql(database, def))) {}

    // Values in the table's column order, as stored: dates and times as ISO text.
    void add(std::initializer_list<QVariant> values) {
        int position = 1;
        for (const QVariant& value : values) statement_.bind(position++, value);
        statement_.run();
        statement_.reset();
        ++rows_;
    }
    qint64 rows() const { return rows_; }

  private:
    static QString insertSql(db::Database& database, const db::TableDef& def) {
        QStringList columns;
        QStringList marks;
        for (const db::FieldDef& field : def.fields) {
            // A server keeps the columns of the program's tables in lower case.
            columns.append(database.isServer() ? db::pgQuoteIdentifier(field.name.toLower())
                                               : db::quoteIdentifier(field.name));
            marks.append(QStringLiteral("?"));
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(database.qualified(def.name), columns.join(QLatin1Char(',')),
                 marks.join(QLatin1Char(',')));
    }

    db::Statement statement_;
    qint64 rows_ = 0;
};

// The first of the demo's tables that holds a row; empty when none does.
QString firstFilledTable(db::Database& database) {
    for (const db::TableDef& def : demoTables()) {
        if (!database.tableExists(def.name)) continue;
        db::Statement probe = database.statement(
            QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(database.qualified(def.name)));
        probe.step();
        const bool filled = probe.columnInt(0) != 0;
        probe.run();  // a server's session takes the next statement once this one is done
        if (filled) return database.canonicalName(def.name);
    }
    return {};
}

void refuseFilledTables(db::Database& database) {
    const QString filled = firstFilledTable(database);
    if (filled.isEmpty()) return;
    if (database.isServer())
        raise(Error::Kind::Refused,
              QStringLiteral("Таблица %1 уже содержит записи. Пример заполняет только пустые "
                             "таблицы; ничего не изменено")
                  .arg(filled));
    raise(Error::Kind::Refused,
          QStringLiteral("Таблица %1 уже содержит записи. Пример заполняет только пустую "
                         "папку; ничего не изменено")
              .arg(filled));
}

void checkOptions(const DemoOptions& options) {
    if (options.subscribers < 1 || options.subscribers > kMaxDemoSubscribers)
        raise(Error::Kind::Usage,
              QStringLiteral("Число абонентов должно быть от 1 до %1").arg(kMaxDemoSubscribers));
    if (options.calls < 0 || options.calls > kMaxDemoCalls)
        raise(Error::Kind::Usage,
              QStringLiteral("Число разговоров должно быть от 0 до %1").arg(kMaxDemoCalls));
    if (options.months < 0 || options.months > kMaxDemoMonths)
        raise(Error::Kind::Usage,
              QStringLiteral("Число месяцев должно быть от 0 до %1").arg(kMaxDemoMonths));
}

void writeSubscribers(db::Database& database, const Exchange& exchange, DemoSummary& summary) {
    RowWriter writer(database, db::schema::abTab());
    auto orNull = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
    for (const Subscriber& s : exchange.rows) {
        writer.add({s.number, utf8(kCategories[s.category].name),
                    s.closed ? QStringLiteral("NO") : QStringLiteral("YES"), s.fio, orNull(s.house),
                    orNull(s.flat), s.street});
        if (s.closed) ++summary.closedRows;
    }
    summary.numbers = static_cast<int>(exchange.numbers.size());
    summary.subscriberRows = static_cast<int>(writer.rows());
}

void writeFees(db::Database& database, const QDate& first, const QDate& currentMonth,
               const QDate& change, DemoSummary& summary) {
    const db::TableDef& def = db::schema::abPlata();
    RowWriter writer(database, def);
    for (QDate month = first; month <= currentMonth; month = month.addMonths(1)) {
        const bool raised = change.isValid() && month >= change;
        auto fee = [&](int category) {
            return QVariant(raised ? kCategories[category].newFee : kCategories[category].fee);
        };
        // Columns of ABPLATA after DATA: ALL, BUDG, OTHER, BLOCK, VECH, DAY.
        writer.add(
            {isoDate(month), fee(0), fee(kBudget), fee(kOther), fee(kBlocked), fee(1), fee(2)});
    }
    summary.feeRows = static_cast<int>(writer.rows());
    summary.firstFee = first;
    summary.lastFee = currentMonth;
}

void writeTariffs(db::Database& database, const QDate& first, const QDate& change,
                  DemoSummary& summary) {
    RowWriter city(database, db::schema::tarifCit());
    for (const Category& c : kCategories) {
        city.add({isoDate(first), utf8(c.name), c.cityCost});
        if (change.isValid()) city.add({isoDate(change), utf8(c.name), c.newCityCost});
    }
    RowWriter trunk(database, db::schema::tarif1());
    for (const Zone& z : kZones) {
        trunk.add({isoDate(first), double(z.trf), z.cost});
        if (change.isValid() && z.newCost != z.cost)
            trunk.add({isoDate(change), double(z.trf), z.newCost});
    }
    summary.cityTariffRows = static_cast<int>(city.rows());
    summary.trunkTariffRows = static_cast<int>(trunk.rows());
    summary.tariffChange = change;

    RowWriter evening(database, db::schema::vechTm());
    evening.add({QStringLiteral("22:00:00"), QStringLiteral("07:00:00")});
}

template <size_t N>
int writeDestinations(db::Database& database, const db::TableDef& def,
                      const std::array<Destination, N>& list) {
    RowWriter writer(database, def);
    for (const Destination& d : list) writer.add({utf8(d.code), utf8(d.name)});
    return static_cast<int>(writer.rows());
}

// The public holidays of every year the span touches, and every Sunday of the span.
void writeHolidays(db::Database& database, const QDate& first, const QDate& last,
                   DemoSummary& summary) {
    std::set<QDate> days;
    for (int year = first.year(); year <= last.year(); ++year) {
        for (const auto& [month, day] : kHolidays) days.insert(QDate(year, month, day));
    }
    for (QDate day = first; day <= last; day = day.addDays(1))
        if (day.dayOfWeek() == Qt::Sunday) days.insert(day);
    RowWriter writer(database, db::schema::prazdn());
    for (const QDate& day : days) writer.add({isoDate(day)});
    summary.holidays = static_cast<int>(writer.rows());
}

void writeCalls(db::Database& database, const DemoOptions& options, const Exchange& exchange,
                const QDate& first, const QDate& last, DemoSummary& summary) {
    Random random(options.seed, 2);
    RowWriter writer(database, db::schema::desttar());
    std::vector<QVariant> longCodes, foreignCodes;
    for (const Destination& d : kLongDistance) longCodes.emplace_back(utf8(d.code));
    for (const Destination& d : kInternational) foreignCodes.emplace_back(utf8(d.code));

    const qint64 days = first.daysTo(last) + 1;
    std::vector<int> times;
    for (qint64 d = 0; d < days; ++d) {
        const qint64 count = options.calls * (d + 1) / days - options.calls * d / days;
        times.resize(static_cast<size_t>(count));
        for (int& t : times)
            t = random.weighted(kHours) * 3600 + static_cast<int>(random.below(3600));
        std::sort(times.begin(), times.end());
        const QVariant date = isoDate(first.addDays(d));
        Call previous;
        bool havePrevious = false;
        for (const int seconds : times) {
            Call call;
            if (havePrevious && random.perMille(1)) {
                call = previous;
                ++summary.duplicateCalls;
            } else {
                call = makeCall(random, exchange, seconds);
            }
            QVariant code, foreign, trf;
            if (call.longDistance >= 0) {
                code = longCodes[call.longDistance];
                trf = double(kLongDistance[call.longDistance].zone);
                ++summary.longDistanceCalls;
            } else if (call.international >= 0) {
                foreign = foreignCodes[call.international];
                trf = double(kInternational[call.international].zone);
                ++summary.internationalCalls;
            } else {
                ++summary.cityCalls;
            }
            writer.add({call.number, date, timeText(call.seconds), call.minutes, call.cat,
                        call.dialled, code, foreign, trf});
            previous = call;
            havePrevious = true;
        }
    }
    summary.firstCallDay = first;
    summary.lastCallDay = last;
}

}  // namespace

const QList<db::TableDef>& demoTables() {
    static const QList<db::TableDef> tables = {
        db::schema::abTab(),  db::schema::abPlata(), db::schema::tarifCit(),
        db::schema::tarif1(), db::schema::vechTm(),  db::schema::sng(),
        db::schema::foren(),  db::schema::prazdn(),  db::schema::desttar()};
    return tables;
}

bool demoTablesEmpty(db::Database& database) { return firstFilledTable(database).isEmpty(); }

DemoSummary fillDemoData(db::Database& database, const DemoOptions& options, const QDate& today) {
    checkOptions(options);
    refuseFilledTables(database);
    db::schema::createMissingStartupTables(database);
    QStringList names;
    for (const db::TableDef& def : demoTables()) {
        if (!database.tableExists(def.name)) database.createTable(def);
        names.append(def.name);
    }

    const QDate currentMonth(today.year(), today.month(), 1);
    const QDate first = currentMonth.addMonths(-options.months);
    const QDate middle = first.addDays(first.daysTo(today) / 2);
    const QDate change = middle > first ? middle : QDate();
    const Exchange exchange = makeExchange(options);

    DemoSummary summary;
    summary.folder = database.isServer() ? db::ServerAddress::parse(database.folder()).display()
                                         : database.folder();
    summary.onServer = database.isServer();
    db::Transaction transaction(database, names);
    database.lockWork(kDemoLock,
                      QStringLiteral("Пример уже заполняется на другом рабочем месте; ничего не "
                                     "изменено"));
    refuseFilledTables(database);  // again inside the transaction: nobody wrote in between
    writeSubscribers(database, exchange, summary);
    writeFees(database, first, currentMonth, change, summary);
    writeTariffs(database, first, change, summary);
    summary.longDistanceCodes = writeDestinations(database, db::schema::sng(), kLongDistance);
    summary.internationalCodes = writeDestinations(database, db::schema::foren(), kInternational);
    writeHolidays(database, first, today, summary);
    writeCalls(database, options, exchange, first, today, summary);
    transaction.commit();
    return summary;
}

}  // namespace orv::utils
