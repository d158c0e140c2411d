// The one CSV reader of the call files (import-calls, exchange records): what it takes from
// real files and what it refuses, with the line it names.

#include "TestSupport.h"
#include "core/CsvReader.h"

#include <QBuffer>

using orv::test::errorOf;

namespace {

// Every record as "line: field|field|...".
QStringList records(const QByteArray& bytes) {
    QByteArray data = bytes;
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    orv::core::CsvReader reader(device);
    QStringList result;
    QList<QByteArray> fields;
    while (reader.next(&fields))
        result.append(QStringLiteral("%1: %2")
                          .arg(reader.recordLine())
                          .arg(QString::fromUtf8(fields.join('|'))));
    return result;
}

}  // namespace

TEST(CsvReader, TakesWhatRealFilesHold) {
    EXPECT_EQ(records("\xEF\xBB\xBF"
                      "a,b\r\n"
                      "\r\n"
                      "  \t\n"
                      " 1 , \"x, \"\"y\"\"\" ,\r\n"
                      "\"two\nlines\",\"\"\n"
                      "last,\xD0\xB6"),
              (QStringList{"1: a|b", "4: 1|x, \"y\"|", "5: two\nlines|", "7: last|ж"}));
    EXPECT_TRUE(records("").isEmpty());
    EXPECT_TRUE(records("\n\n \r\n").isEmpty());
}

TEST(CsvReader, RefusesAMalformedRecordNamingItsLine) {
    const struct {
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"a\n\"b,c\nd\n", "Строка 2: незакрытые кавычки; файл не загружен"},
        {"a\n\"b\"c,d\n", "Строка 2: символы после закрывающей кавычки; файл не загружен"},
        {"a\nb\"c\",d\n", "Строка 2: кавычка внутри поля без кавычек; файл не загружен"},
        {QByteArray("a\n\"b\nc") + '\0' + "d\"\n",
         "Строка 3: символ NUL в тексте; файл не загружен"},
        {"a\nb,\xFF\xFE\n", "Строка 2: текст не в кодировке UTF-8; файл не загружен"},
        {"a\n" + QByteArray(1100 * 1024, '\0'), "Строка 2: запись длиннее 1 МБ; файл не загружен"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorOf([&] { records(c.bytes); }), QString::fromUtf8(c.message)) << c.message;
}
