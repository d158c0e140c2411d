// Call detail records of Asterisk and FreeSWITCH into DESTTAR through the dial plan, and the
// unbilled-calls view checked against the pricing pipelines.

#include "CallsTestData.h"
#include "calls/CdrImport.h"
#include "calls/DialPlan.h"
#include "calls/Pricing.h"
#include "calls/Unbilled.h"
#include "core/Error.h"
#include "utils/DemoData.h"

#include <QBuffer>

using namespace orv;
using namespace orv::test;

namespace {

const QString kPlan = QStringLiteral(
    "# test exchange\n"
    "subscribers 2200000 2299999\n"
    "strip +-\n"
    "city - 7 1   # seven digits\n"
    "long 8 8\n"
    "intl 810 9\n"
    "zone long 495 2\n"
    "zone long 4951 3\n"
    "zone intl 49 5\n");

calls::DialPlan testPlan() {
    calls::DialPlan plan = calls::DialPlan::parse(kPlan, QStringLiteral("test.conf"));
    plan.setCodes({"495", "4951", "812"}, {"4", "49", "1"});
    return plan;
}

QByteArray stampText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
}

// The start and end stamps of a call answered at answer (none: unanswered, then from a fixed
// start) that lasted duration seconds, billsec of them talking.
std::pair<QByteArray, QByteArray> startAndEnd(const char* answer, int duration, int billsec) {
    const QDateTime answered =
        QDateTime::fromString(QString::fromLatin1(answer), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QDateTime start = *answer ? answered.addSecs(billsec - duration)
                                    : QDateTime(QDate(2024, 3, 5), QTime(9, 59, 50));
    return {stampText(start), stampText(start.addSecs(duration))};
}

// One Asterisk cdr_csv row with uniqueid and userfield; empty answer for an unanswered call.
QByteArray asterisk(const char* src, const char* dst, const char* answer, int duration, int billsec,
                    const char* disposition, const char* id) {
    const auto [start, end] = startAndEnd(answer, duration, billsec);
    return QStringLiteral(
               "\"\",\"%1\",\"%2\",\"default\",\"\"\"Ivan, Petrov\"\" <%1>\",\"SIP/%1-01\","
               "\"SIP/out-02\",\"Dial\",\"SIP/%2,30\",\"%8\",%3,\"%9\",%4,%5,\"%6\","
               "\"DOCUMENTATION\",\"%7\",\"\"")
        .arg(QLatin1String(src), QLatin1String(dst),
             *answer ? QStringLiteral("\"%1\"").arg(QLatin1String(answer)) : QStringLiteral(""))
        .arg(duration)
        .arg(billsec)
        .arg(QLatin1String(disposition), QLatin1String(id), QLatin1String(start),
             QLatin1String(end))
        .toUtf8();
}

QByteArray freeSwitch(const char* src, const char* dst, const char* answer, int billsec,
                      const char* uuid) {
    const auto [start, end] = startAndEnd(answer, billsec + 10, billsec);
    return QStringLiteral(
               "\"Ivan\",\"%1\",\"%2\",\"default\",\"%7\",\"%3\",\"%8\",\"%4\",\"%5\","
               "\"NORMAL_CLEARING\",\"%6\",\"\",\"\",\"PCMA\",\"PCMA\"")
        .arg(QLatin1String(src), QLatin1String(dst), QLatin1String(answer))
        .arg(billsec + 10)
        .arg(billsec)
        .arg(QLatin1String(uuid), QLatin1String(start), QLatin1String(end))
        .toUtf8();
}

class CdrImport : public ::testing::Test {
  protected:
    void SetUp() override { createPermanentTables(t); }

    calls::CdrSummary import(const QByteArray& bytes, calls::CdrFormat format, bool again = false) {
        QByteArray data = bytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        return calls::importCdr(t.db(), buffer, format, testPlan(), again);
    }
    QString refusal(const QByteArray& bytes, calls::CdrFormat format) {
        try {
            import(bytes, format);
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }
    QStringList calls() { return sortedRows(t, QStringLiteral("DESTTAR")); }

    TempDatabase t;
};

const QByteArray kAsteriskFile =
    "\xEF\xBB\xBF" +
    QByteArrayList{
        asterisk("2200001", "2212345", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "a1"),
        asterisk("2200002", "2254321", "", 30, 0, "NO ANSWER", "a2"),
        asterisk("2200002", "2254321", "2024-03-05 10:05:00", 90, 60, "ANSWERED", "a2"),
        asterisk("2200002", "2254321", "2024-03-05 10:06:00", 90, 60, "ANSWERED", "a2"),
        asterisk("2200003", "2211111", "2024-03-05 10:07:00", 5, 0, "ANSWERED", "a3"),
        asterisk("5550000", "2211111", "2024-03-05 10:08:00", 50, 40, "ANSWERED", "a4"),
        asterisk("+2200001", "8-4951-234567", "2024-03-05 11:00:00", 70, 61, "ANSWERED", "a5"),
        asterisk("2200001", "810491234567", "2024-03-05 12:00:00", 200, 181, "ANSWERED", "a6"),
        asterisk("2200001", "*97", "2024-03-05 12:30:00", 20, 15, "ANSWERED", "a7"),
        "  \"\" , \"2200004\" ,  \"84950001122\"  ,\"default\",\"\",\"\",\"\",\"Dial\",\"\","
        " \"2024-03-05 13:00:00\" , \"2024-03-05 13:00:01\" ,\"2024-03-05 13:00:31\", 31 , 30 ,"
        "\"ANSWERED\",\"DOCUMENTATION\"",
    }
        .join("\r\n") +
    "\r\n\r\n";

}  // namespace

TEST_F(CdrImport, AsteriskFileBecomesAnsweredCallsOnce) {
    const calls::CdrSummary s = import(kAsteriskFile, calls::CdrFormat::Asterisk);
    EXPECT_EQ(s.lines, 10);
    EXPECT_EQ(s.imported, 5);
    EXPECT_EQ(s.minutes, 2 + 1 + 2 + 4 + 1);
    EXPECT_EQ(s.unanswered, 1);
    EXPECT_EQ(s.zeroLength, 1);
    EXPECT_EQ(s.notSubscriber, 1);
    EXPECT_EQ(s.notInPlan, 1);
    EXPECT_EQ(s.duplicates, 1);
    EXPECT_EQ(calls(), (QStringList{
                           "2200001|05.03.2024|10:00:05|2|1|2212345|||",
                           "2200001|05.03.2024|11:00:00|2|8|234567|4951||3",
                           "2200001|05.03.2024|12:00:00|4|9|1234567||49|5",
                           "2200002|05.03.2024|10:05:00|1|1|2254321|||",
                           "2200004|05.03.2024|13:00:01|1|8|1122|495||2",
                       }));

    // The same file again, and a longer one holding it: only what is new goes in.
    const calls::CdrSummary repeat = import(kAsteriskFile, calls::CdrFormat::Asterisk);
    EXPECT_EQ(repeat.imported, 0);
    EXPECT_EQ(repeat.duplicates, 6);
    const calls::CdrSummary grown =
        import(kAsteriskFile +
                   asterisk("2200001", "2212345", "2024-03-06 08:00:00", 9, 9, "ANSWERED", "a9"),
               calls::CdrFormat::Asterisk);
    EXPECT_EQ(grown.imported, 1);
    EXPECT_EQ(calls().size(), 6);
    const calls::CdrSummary forced = import(kAsteriskFile, calls::CdrFormat::Asterisk, true);
    EXPECT_EQ(forced.imported, 5);
    EXPECT_EQ(calls().size(), 11);
}

TEST_F(CdrImport, FreeSwitchFileAndCallsOfAReckonedMonth) {
    db::Query(t.db(), QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, YearMonth) VALUES "
                                     "(2200001, 'ALL', '2024-03-06')"))
        .execute();
    const QByteArray file =
        QByteArrayList{
            freeSwitch("2200001", "2212345", "", 0, "u1"),
            freeSwitch("2200001", "2212345", "2024-03-07 10:00:00", 125, "u1"),
            freeSwitch("2200001", "2212345", "2024-03-07 10:00:00", 125, "u1"),
            freeSwitch("2200001", "2212346", "2024-03-05 10:00:00", 60, "u2"),
        }
            .join("\n");
    const calls::CdrSummary s = import(file, calls::CdrFormat::FreeSwitch);
    EXPECT_EQ(s.lines, 4);
    EXPECT_EQ(s.unanswered, 1);
    EXPECT_EQ(s.duplicates, 1);
    EXPECT_EQ(s.reckoned, 1);
    EXPECT_EQ(s.imported, 1);
    EXPECT_EQ(calls(), QStringList{"2200001|07.03.2024|10:00:00|3|1|2212345|||"});
}

TEST_F(CdrImport, AMalformedLineRefusesTheWholeFileWithItsNumber) {
    const QByteArray good =
        asterisk("2200001", "2212345", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "a1");
    const struct {
        QByteArray file;
        calls::CdrFormat format;
        const char* message;
    } cases[] = {
        {good + "\n" + good + "\n\"2200001,22\n", calls::CdrFormat::Asterisk,
         "Строка 3: незакрытые кавычки"},
        {good + "\n\"a\",\"b\"\n", calls::CdrFormat::Asterisk, "Строка 2: полей 2"},
        {good + "\n" + asterisk("2200001", "2212345", "05.03.2024 10:00", 1, 1, "ANSWERED", "x"),
         calls::CdrFormat::Asterisk, "Строка 2: поле answer"},
        {QByteArray(good).replace(",70,", ",7s,"), calls::CdrFormat::Asterisk,
         "Строка 1: поле duration"},
        {"\n\n" + QByteArray(good).replace("\"DOCUMENTATION\"", "\"DOC\"x"),
         calls::CdrFormat::Asterisk, "Строка 3: символы после закрывающей кавычки"},
        {good, calls::CdrFormat::FreeSwitch, "Строка 1: полей 18"},
        {"", calls::CdrFormat::Asterisk, "нет записей"},
        // Records no exchange writes: more talk than the call lasted, more than a day of it,
        // stamps out of order (also in an unanswered record).
        {good + "\n" + QByteArray(good).replace(",70,65,", ",41,9999999999,"),
         calls::CdrFormat::Asterisk, "Строка 2: billsec 9999999999 больше duration 41"},
        {QByteArray(good).replace(",70,65,", ",90000,86401,"), calls::CdrFormat::Asterisk,
         "Строка 1: billsec 86401 больше суток"},
        {QByteArray(good).replace("\"2024-03-05 10:00:05\"", "\"2099-03-05 10:00:05\""),
         calls::CdrFormat::Asterisk,
         "Строка 1: время answer 2099-03-05 10:00:05 позже времени end 2024-03-05 10:01:10"},
        {QByteArray(good).replace("\"2024-03-05 10:00:05\"", "\"2024-03-05 09:00:00\""),
         calls::CdrFormat::Asterisk,
         "Строка 1: время start 2024-03-05 10:00:00 позже времени answer"},
        {QByteArray(asterisk("2200002", "2254321", "", 30, 0, "NO ANSWER", "a2"))
             .replace("\"2024-03-05 10:00:20\"", "\"2024-03-05 09:00:20\""),
         calls::CdrFormat::Asterisk, "Строка 1: время start 2024-03-05 09:59:50 позже времени end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_TRUE(refusal(c.file, c.format).contains(QString::fromUtf8(c.message)))
            << refusal(c.file, c.format).toStdString();
        EXPECT_TRUE(calls().isEmpty());
    }
}

TEST_F(CdrImport, IdenticalRowsWithoutAnIdAreOneCall) {
    // Asterisk without uniqueid: sixteen columns; and with the uniqueid column left empty.
    const QByteArray bare =
        asterisk("2200001", "2212345", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "").chopped(6);
    const QByteArray emptyId =
        asterisk("2200001", "2212346", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "");
    const QByteArray later =
        asterisk("2200001", "2212345", "2024-03-05 11:00:05", 70, 65, "ANSWERED", "");
    const calls::CdrSummary s =
        import(QByteArrayList{bare, bare, emptyId, emptyId, later.chopped(6)}.join("\n"),
               calls::CdrFormat::Asterisk);
    EXPECT_EQ(s.lines, 5);
    EXPECT_EQ(s.imported, 3);
    EXPECT_EQ(s.duplicates, 2);
    EXPECT_EQ(calls(), (QStringList{"2200001|05.03.2024|10:00:05|2|1|2212345|||",
                                    "2200001|05.03.2024|10:00:05|2|1|2212346|||",
                                    "2200001|05.03.2024|11:00:05|2|1|2212345|||"}));
}

TEST_F(CdrImport, ARecordOfMoreThanAMegabyteIsRefusedBeforeItIsRead) {
    const QByteArray good =
        asterisk("2200001", "2212345", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "a1");
    for (const QByteArray& endless :
         {QByteArray(1100 * 1024, '\0'), "\"" + QByteArray(1100 * 1024, 'x') + "\""}) {
        const QString message = refusal(good + "\n" + endless, calls::CdrFormat::Asterisk);
        EXPECT_TRUE(message.startsWith(QStringLiteral("Строка 2: запись длиннее 1 МБ")))
            << message.toStdString();
        EXPECT_TRUE(calls().isEmpty());
    }
}

// A long-distance or international call whose code no table knows is a call all the same:
// it is stored and shows among the unbilled calls, also when its number is too long for
// Number_of_call.
TEST_F(CdrImport, ACallToAnUnknownCodeIsKeptAmongTheUnbilled) {
    addRows(t, QStringLiteral("AbTab"), {QStringLiteral("2200001, 'ALL', 'YES', '', '', '', ''")});
    const calls::CdrSummary s = import(
        QByteArrayList{
            asterisk("2200001", "810551112345678", "2024-03-05 10:00:05", 70, 65, "ANSWERED", "b1"),
            asterisk("2200001", "89991234567", "2024-03-05 11:00:05", 70, 65, "ANSWERED", "b2"),
            asterisk("2200001", "8999123", "2024-03-05 12:00:05", 70, 65, "ANSWERED", "b3"),
        }
            .join("\n"),
        calls::CdrFormat::Asterisk);
    EXPECT_EQ(s.imported, 3);
    EXPECT_EQ(s.notInPlan, 0);
    calls::UnbilledView view(t.db());
    EXPECT_EQ(rowsOf(view.open()),
              (QStringList{"2200001|05.03.2024|10:00:05|9|2|1112345678|||55|не указана зона (TRF)",
                           "2200001|05.03.2024|11:00:05|8|2|991234567||9||не указана зона (TRF)",
                           "2200001|05.03.2024|12:00:05|8|2|999123||||не указана зона (TRF)"}));
}

TEST(DialPlan, TheLongestPrefixAndCodeWin) {
    calls::DialPlan plan =
        calls::DialPlan::parse(kPlan + QStringLiteral("city 8 9 2\n"), QStringLiteral("test.conf"));
    plan.setCodes({"495", "4951", "812"}, {"4", "49", "1"});
    const struct {
        const char* dialled;
        const char* expected;  // cat|number|code|foreign|trf, empty when no rule takes it
    } cases[] = {
        {"2212345", "1|2212345|||"},
        {"221234", ""},
        {"84951234567", "8|234567|4951||3"},
        {"8496123456", "8|496123456|||"},
        // Too long for Number_of_call: the leading digits go to the code column, the zone
        // with them, and no digit is lost; a leading zero stays in the code.
        {"84961234567", "8|961234567|4||"},
        {"810551112345678", "9|1112345678||55|"},
        {"810491234567890123", "9|567890123||491234|"},
        {"8100012345678901", "9|345678901||0012|"},
        {"81234567890123456789012", ""},
        {"8495", "8|495|||"},
        {"812345678", "2|12345678|||"},
        {"810491234567", "9|1234567||49|5"},
        {"8104123", "9|123||4|"},
        {"810", ""},
        {"abc", ""},
        {"8(812)123-45-67", ""},
        {"8812-1234567", "8|1234567|812||"},
    };
    for (const auto& c : cases) {
        const auto call = plan.destination(QByteArray(c.dialled));
        QString got;
        if (call)
            got = QStringLiteral("%1|%2|%3|%4|%5")
                      .arg(call->cat)
                      .arg(call->number)
                      .arg(call->code, call->codeForeign,
                           call->trf ? QString::number(*call->trf) : QString());
        EXPECT_EQ(got, QString::fromLatin1(c.expected)) << c.dialled;
    }
    EXPECT_EQ(plan.subscriber("+2200001"), 2200001);
    EXPECT_EQ(plan.subscriber("2300001"), std::nullopt);
    EXPECT_EQ(plan.subscriber("22000011"), std::nullopt);

    for (const char* bad : {"subscribers 5 1", "city x 7 1", "zone city 1 2", "frobnicate 1", ""}) {
        const QString text = QString::fromLatin1(bad).startsWith(QLatin1String("subscribers"))
                                 ? QString::fromLatin1(bad)
                                 : QStringLiteral("subscribers 1 2\n") + QString::fromLatin1(bad);
        EXPECT_THROW(calls::DialPlan::parse(bad[0] ? text : QString(), QStringLiteral("p")), Error)
            << bad;
    }
    // The shipped sample reads.
    EXPECT_NO_THROW(calls::DialPlan::parse(calls::DialPlan::sample(), QStringLiteral("sample")));
}

namespace {

// The distinct calls of DESTTAR that the pipelines priced, after CityGroup and MGGroup.
qint64 pricedCalls(TempDatabase& t) {
    db::Query q(t.db(),
                QStringLiteral("SELECT Count(*) n FROM (SELECT DISTINCT * FROM Desttar) dt WHERE "
                               "(dt.Cat<8 and EXISTS(SELECT * FROM TabCTGr2 p WHERE "
                               "p.AbNumber=dt.AbNumber and p.Date_of_call=dt.Date_of_call and "
                               "p.Time_of_call=dt.Time_of_call and p.Longivity=dt.Longivity)) or "
                               "(dt.Cat>7 and EXISTS(SELECT * FROM TabMGgr2 p WHERE "
                               "p.AbNumber=dt.AbNumber and p.Date_of_call=dt.Date_of_call and "
                               "p.Time_of_call=dt.Time_of_call and p.Longivity=dt.Longivity and "
                               "p.TRF=dt.TRF))"));
    q.open();
    return q.asInteger(QStringLiteral("n"));
}

qint64 distinctCalls(TempDatabase& t) {
    db::Query q(t.db(), QStringLiteral("SELECT Count(*) n FROM (SELECT DISTINCT * FROM Desttar)"));
    q.open();
    return q.asInteger(QStringLiteral("n"));
}

void checkIdentity(TempDatabase& t) {
    calls::CityGroup(t.db());
    calls::MGGroup(t.db());
    const qint64 unbilled = calls::countUnbilled(t.db());
    EXPECT_EQ(pricedCalls(t) + unbilled, distinctCalls(t));
    calls::UnbilledView view(t.db());
    EXPECT_EQ(view.open().recordCount(), unbilled);
}

}  // namespace

TEST(Unbilled, EachReasonOnceAndThePipelinesAgree) {
    TempDatabase t;
    createPermanentTables(t);
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("1, 'ALL', 'YES', '', '', '', ''"),
             QStringLiteral("2, 'ALL', 'NO', '', '', '', ''"),
             QStringLiteral("3, 'VECH', 'YES', '', '', '', ''"),
             QStringLiteral("4, 'DAY', 'YES', '', '', '', ''"),
             QStringLiteral("5, 'BUDG', 'YES', '', '', '', ''"),
             QStringLiteral("6, 'ALL', 'YES', '', '', '', ''"),
             QStringLiteral("6, 'VECH', 'YES', '', '', '', ''")});
    addRows(t, QStringLiteral("TarifCit"),
            {QStringLiteral("'2001-01-01', 'ALL', 1.5"), QStringLiteral("'2001-01-01', 'VECH', 1"),
             QStringLiteral("'2001-01-01', 'DAY', 1")});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2001-01-01', 1, 10")});
    addRows(t, QStringLiteral("Prazdn"), {QStringLiteral("'2001-03-08'")});
    addRows(t, QStringLiteral("DESTTAR"),
            {
                call(1, "2001-03-05", "12:00:00", 2, 3),  // priced
                call(1, "2001-03-05", "12:00:00", 2, 3),  // the same call again
                call(1, "2001-03-05", "13:00:00", 2, 8, QStringLiteral("1")),  // priced
                call(1, "2000-12-31", "12:00:00", 2, 3),  // before every city tariff
                call(1, "2000-12-31", "12:00:00", 2, 8, QStringLiteral("1")),  // and zone's
                call(1, "2001-03-05", "14:00:00", 2, 8, QStringLiteral("2")),  // zone unknown
                call(1, "2001-03-05", "15:00:00", 2, 9),                       // no zone at all
                call(9, "2001-03-05", "12:00:00", 2, 3),                       // no subscriber row
                call(2, "2001-03-05", "12:00:00", 2, 3),                       // Exist NO
                call(3, "2001-03-05", "23:00:00", 2, 3),  // VECH without VechTm rows
                call(5, "2001-03-05", "12:00:00", 2, 3),  // BUDG: no tariff of the category
                call(6, "2001-03-05", "12:00:00", 2, 3),  // priced as ALL
                "1, '2001-03-05', '16:00:00', 2, NULL, 1, NULL, NULL, NULL",  // no category
            });
    const auto reasons = [&t] {
        calls::UnbilledView view(t.db());
        const db::Query& q = view.open();
        QStringList rows;
        for (qint64 r = 0; r < q.recordCount(); ++r)
            rows.append(QStringList{db::displayText(q.value(r, QStringLiteral("AbNumber"))),
                                    db::displayText(q.value(r, QStringLiteral("Time_of_call"))),
                                    q.value(r, QStringLiteral("Reason")).toString()}
                            .join(QLatin1Char('|')));
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    EXPECT_EQ(reasons(), (QStringList{
                             "1|12:00:00|нет тарифа на дату звонка",
                             "1|12:00:00|нет тарифа на дату звонка",
                             "1|14:00:00|нет тарифа для зоны",
                             "1|15:00:00|не указана зона (TRF)",
                             "1|16:00:00|не указан КНС",
                             "2|12:00:00|Exist не YES",
                             "3|23:00:00|VECH/DAY: нет строк в VechTm",
                             "5|12:00:00|нет тарифа категории на дату звонка",
                             "9|12:00:00|нет абонента в AbTab",
                         }));
    checkIdentity(t);

    // With the evening window the evening call is priced; the day subscriber's evening and
    // holiday calls are outside its hours.
    addRows(t, QStringLiteral("VechTm"), {QStringLiteral("'22:00:00', '07:00:00'")});
    addRows(t, QStringLiteral("DESTTAR"),
            {call(4, "2001-03-05", "23:00:00", 2, 3), call(4, "2001-03-08", "12:00:00", 2, 3),
             call(4, "2001-03-05", "12:00:00", 2, 3), call(3, "2001-03-05", "12:00:00", 2, 3)});
    const QStringList after = reasons();
    EXPECT_EQ(after.count(QStringLiteral("4|23:00:00|VECH/DAY: вне часов категории")), 1);
    EXPECT_EQ(after.count(QStringLiteral("4|12:00:00|VECH/DAY: вне часов категории")), 1);
    EXPECT_EQ(after.count(QStringLiteral("3|12:00:00|VECH/DAY: вне часов категории")), 1);
    EXPECT_FALSE(after.join(' ').contains(QStringLiteral("3|23:00:00")));
    checkIdentity(t);
}

TEST(Unbilled, TheDemoExchangeAddsUp) {
    TempDatabase t;
    utils::fillDemoData(t.db(), {60, 3000, 2, 7}, QDate(2024, 5, 20));
    checkIdentity(t);
    EXPECT_GT(calls::countUnbilled(t.db()), 0);
}
