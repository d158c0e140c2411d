#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

using orv::Error;
using orv::core::SettingsStore;

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00\n\n");

class SettingsStoreTest : public ::testing::Test {
  protected:
    QString path() const { return dir_.filePath(QStringLiteral("Orvanta/Orvanta.reg")); }

    void writeFile(const QString& text) const {
        QDir().mkpath(dir_.filePath(QStringLiteral("Orvanta")));
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    QString readFile() const {
        QFile file(path());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }

    // The error message the call raises, or an empty text when it raises none.
    template <typename F>
    static QString errorOf(F call) {
        try {
            call();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, NoFileReadsDefaultsAndFirstWriteCreatesTheFourSections) {
    SettingsStore store(path());
    const orv::core::Settings s = orv::core::readSettings(store);
    EXPECT_TRUE(s.chargeLongDistance);
    EXPECT_FALSE(s.usePenalty);
    EXPECT_EQ(s.penaltyPercent, 1.0);
    EXPECT_TRUE(s.useNds);
    EXPECT_EQ(s.ndsPercent, 20.0);
    EXPECT_EQ(s.freeMinutes, 0);
    EXPECT_FALSE(store.fileExists());

    orv::core::writeSettings(store, s);
    EXPECT_EQ(readFile(),
              kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\MnMg]\n"
                                       "\"Использовать\"=\"1\"\n\n"
                                       "[HKEY_CURRENT_USER\\Software\\Orvanta\\Пеня]\n"
                                       "\"Использовать\"=\"0\"\n"
                                       "\"Процент\"=hex:00,00,00,00,00,00,f0,3f\n\n"
                                       "[HKEY_CURRENT_USER\\Software\\Orvanta\\НДС]\n"
                                       "\"Использовать\"=\"1\"\n"
                                       "\"Процент\"=hex:00,00,00,00,00,00,34,40\n\n"
                                       "[HKEY_CURRENT_USER\\Software\\Orvanta\\NoUchet]\n"
                                       "\"Min\"=dword:00000000\n"));

    orv::core::Settings changed{false, true, 0.5, false, 18.0, 30};
    orv::core::writeSettings(store, changed);
    const orv::core::Settings back = orv::core::readSettings(SettingsStore(path()));
    EXPECT_FALSE(back.chargeLongDistance);
    EXPECT_TRUE(back.usePenalty);
    EXPECT_EQ(back.penaltyPercent, 0.5);
    EXPECT_FALSE(back.useNds);
    EXPECT_EQ(back.ndsPercent, 18.0);
    EXPECT_EQ(back.freeMinutes, 30);
    const orv::core::VatSettings vat = orv::core::readVat(store);
    EXPECT_FALSE(vat.useNds);
    EXPECT_EQ(vat.ndsPercent, 18.0);
}

TEST_F(SettingsStoreTest, BoolAndIntegerReadStringsAsDecimalAndDwordsAsSigned) {
    struct Case {
        const char* data;
        qint32 integer;  // read with default 7
        bool boolean;    // read with default false
    };
    const Case cases[] = {
        {"\"5\"", 5, true},
        {"\"0\"", 0, false},
        {"\" -12 \"", -12, true},
        {"\"abc\"", 7, false},
        {"\"12abc\"", 7, false},
        {"\"\"", 7, false},
        {"\"99999999999\"", 7, false},
        {"dword:00000000", 0, false},
        {"dword:0000001e", 30, true},
        {"dword:ffffffff", -1, true},
        {"DWORD:1E", 30, true},
        {"hex(4):1e,00,00,00", 30, true},
    };
    SettingsStore store(path());
    for (const Case& c : cases) {
        writeFile(kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\S]\n\"V\"=") +
                  QString::fromUtf8(c.data) + QLatin1Char('\n'));
        EXPECT_EQ(store.readInteger(QStringLiteral("S"), QStringLiteral("V"), 7), c.integer)
            << c.data;
        EXPECT_EQ(store.readBool(QStringLiteral("S"), QStringLiteral("V"), false), c.boolean)
            << c.data;
    }

    writeFile(kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\S]\n"
                                       "\"V\"=hex:01,00,00,00\n\"W\"=hex(2):41,00\n"));
    for (const char* name : {"V", "W"}) {
        const QString error = errorOf([&] { store.readBool(QStringLiteral("S"), name, true); });
        EXPECT_EQ(error, QStringLiteral("Invalid data type for '%1'").arg(QString::fromUtf8(name)));
    }
}

TEST_F(SettingsStoreTest, FloatReadsOnlyEightBytesOfBinary) {
    struct Case {
        const char* data;
        const char* error;  // nullptr: reads 20
    };
    const Case cases[] = {
        {"hex:00,00,00,00,00,00,34,40", nullptr},
        {"hex:00,00,00,00,00,00,\\\n  34,40", nullptr},
        {"hex(3):00,00,00,00,00,00,34,40", nullptr},
        {"hex:00,00,a0,41", "Invalid data type for 'Процент'"},
        {"hex:00,00,00,00,00,00,34,40,00", "Failed to get data for 'Процент'"},
        {"\"20\"", "Invalid data type for 'Процент'"},
        {"dword:00000014", "Invalid data type for 'Процент'"},
    };
    SettingsStore store(path());
    for (const Case& c : cases) {
        writeFile(kHeader +
                  QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\НДС]\n\"Процент\"=") +
                  QString::fromUtf8(c.data) + QLatin1Char('\n'));
        double value = 0;
        const QString error = errorOf([&] {
            value = store.readFloat(QStringLiteral("НДС"), QStringLiteral("Процент"), 1.0);
        });
        EXPECT_EQ(error, QString::fromUtf8(c.error ? c.error : "")) << c.data;
        if (!c.error) {
            EXPECT_EQ(value, 20.0) << c.data;
        }
    }
    EXPECT_EQ(store.readFloat(QStringLiteral("Пеня"), QStringLiteral("Процент"), 1.5), 1.5);
    EXPECT_EQ(store.readFloat(QStringLiteral("НДС"), QStringLiteral("Нет"), 2.5), 2.5);
}

TEST_F(SettingsStoreTest, IntegerStoredAsStringStaysStringAndFreshOneIsDword) {
    writeFile(kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\NoUchet]\n"
                                       "\"Min\"=\"10\"\n"));
    SettingsStore store(path());
    store.writeInteger(QStringLiteral("nouchet"), QStringLiteral("MIN"), 45);
    store.writeInteger(QStringLiteral("NoUchet"), QStringLiteral("Max"), -2);
    EXPECT_EQ(readFile(),
              kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\NoUchet]\n"
                                       "\"Min\"=\"45\"\n"
                                       "\"Max\"=dword:fffffffe\n"));
    EXPECT_EQ(store.readInteger(QStringLiteral("NoUchet"), QStringLiteral("Max"), 0), -2);
}

TEST_F(SettingsStoreTest, NamesIgnoreCaseAndWritesKeepCommentsOrderAndSpelling) {
    const QString original = kHeader + QStringLiteral(
                                           "; настроено вручную\n"
                                           "[HKEY_CURRENT_USER\\Software\\Orvanta\\ндс]\n"
                                           "\"ИСПОЛЬЗОВАТЬ\"=\"0\"\n"
                                           "; ставка\n"
                                           "\"Процент\"=hex:00,00,00,00,\\\n"
                                           "  00,00,34,40\n"
                                           "\n"
                                           "[HKEY_CURRENT_USER\\Software\\Orvanta\\Other]\n"
                                           "\"Путь\"=\"C:\\\\dir \\\"x\\\"\"\n");
    writeFile(original);
    SettingsStore store(path());
    EXPECT_FALSE(store.readBool(QStringLiteral("НДС"), QStringLiteral("использовать"), true));
    EXPECT_EQ(store.value(QStringLiteral("OTHER"), QStringLiteral("путь"))->text,
              QStringLiteral("C:\\dir \"x\""));

    store.writeFloat(QStringLiteral("НДС"), QStringLiteral("процент"), 18.0);
    store.writeBool(QStringLiteral("Ндс"), QStringLiteral("Новое"), true);
    store.writeBool(QStringLiteral("Other"), QStringLiteral("Путь"), false);
    EXPECT_EQ(readFile(), kHeader + QStringLiteral("; настроено вручную\n"
                                                   "[HKEY_CURRENT_USER\\Software\\Orvanta\\ндс]\n"
                                                   "\"ИСПОЛЬЗОВАТЬ\"=\"0\"\n"
                                                   "; ставка\n"
                                                   "\"Процент\"=hex:00,00,00,00,00,00,32,40\n"
                                                   "\"Новое\"=\"1\"\n"
                                                   "\n"
                                                   "[HKEY_CURRENT_USER\\Software\\Orvanta\\Other]\n"
                                                   "\"Путь\"=\"0\"\n"));

    const QList<SettingsStore::Section> sections = store.sections();
    ASSERT_EQ(sections.size(), 2);
    EXPECT_EQ(sections[0].name, QStringLiteral("ндс"));
    ASSERT_EQ(sections[0].values.size(), 3);
    EXPECT_EQ(sections[0].values[1].name, QStringLiteral("Процент"));
    EXPECT_EQ(sections[0].values[1].type, SettingsStore::Type::Binary);
    EXPECT_EQ(sections[1].values[0].type, SettingsStore::Type::String);
}

TEST_F(SettingsStoreTest, HandEditAndOtherStoreObjectAreSeenByTheNextRead) {
    SettingsStore first(path());
    SettingsStore second(path());
    first.writeInteger(QStringLiteral("NoUchet"), QStringLiteral("Min"), 5);
    EXPECT_EQ(second.readInteger(QStringLiteral("NoUchet"), QStringLiteral("Min"), 0), 5);

    writeFile(kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\NoUchet]\r\n"
                                       "\"Min\"=dword:00000009\r\n"));
    EXPECT_EQ(first.readInteger(QStringLiteral("NoUchet"), QStringLiteral("Min"), 0), 9);
}

TEST_F(SettingsStoreTest, DamagedFileNamesTheLineAndIsNeverOverwritten) {
    struct Case {
        const char* body;  // after the signature and a blank line, so its first line is line 3
        int line;
    };
    const Case cases[] = {
        {"\"Min\"=dword:1\n", 3},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\nMin=1\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Other]\n", 3},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=dword:123456789\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=hex:1g\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=\"open\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=\"a\\q\"\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=hex:01,\\\n", 4},
        {"[HKEY_CURRENT_USER\\Software\\Orvanta\\A\n", 3},
    };
    for (const Case& c : cases) {
        const QString text = kHeader + QString::fromUtf8(c.body);
        writeFile(text);
        SettingsStore store(path());
        const QString prefix =
            QStringLiteral("Файл настроек %1 повреждён: строка %2: ").arg(path()).arg(c.line);
        const QString readError =
            errorOf([&] { store.readInteger(QStringLiteral("A"), QStringLiteral("V"), 0); });
        EXPECT_TRUE(readError.startsWith(prefix)) << readError.toStdString();
        const QString writeError =
            errorOf([&] { store.writeInteger(QStringLiteral("A"), QStringLiteral("V"), 1); });
        EXPECT_TRUE(writeError.startsWith(prefix)) << writeError.toStdString();
        EXPECT_EQ(readFile(), text) << c.body;
    }

    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[HKEY_CURRENT_USER\\Software\\Orvanta\\A]\n\"V\"=\"\xff\"\n");
    file.close();
    EXPECT_TRUE(errorOf([&] {
                    SettingsStore(path()).sections();
                }).endsWith(QStringLiteral("строка 2: текст не в кодировке UTF-8")));
}

TEST_F(SettingsStoreTest, FailedWriteRaisesAndChangesNothing) {
    QFile blocker(dir_.filePath(QStringLiteral("Orvanta")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(path());
    EXPECT_EQ(
        errorOf([&] { store.writeFloat(QStringLiteral("НДС"), QStringLiteral("Процент"), 1); }),
        QStringLiteral("Failed to set data for 'Процент'"));
    EXPECT_EQ(store.readFloat(QStringLiteral("НДС"), QStringLiteral("Процент"), 20.0), 20.0);
}

TEST(LenientInteger, ReadsWhatItCanAndNeverFails) {
    struct Case {
        const char* text;
        qint64 value;
    };
    const Case cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"  -5", -5},
        {"+7", 7},
        {"$1F", 31},
        {"0x10", 16},
        {"x1f", 31},
        {"X10", 16},
        {"-$10", -16},
        {"$", 0},
        {"12 34", 12},
        {"1.5", 1},
        {"0", 0},
        {"  ", 0},
        {"9223372036854775807", 9223372036854775807LL},
        {"92233720368547758079", 9223372036854775807LL},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::core::lenientInteger(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_EQ(orv::core::integerFromText(QStringLiteral("99999999999")), 2147483647);
    EXPECT_EQ(orv::core::integerFromText(QStringLiteral("-99999999999")), -2147483647 - 1);
}

TEST(SettingText, FloatsConvertWithEitherSeparatorAndShowInGeneralFormat) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(orv::core::floatFromText(QStringLiteral("18,5"), russian), 18.5);
    EXPECT_EQ(orv::core::floatFromText(QStringLiteral(" 18.5 "), russian), 18.5);
    EXPECT_EQ(orv::core::floatFromText(QStringLiteral("20"), QLocale::c()), 20.0);
    EXPECT_EQ(orv::core::floatFromText(QStringLiteral("1,5"), QLocale::c()), 1.5);
    for (const char* bad : {"", "abc", "1.234,5", "1,234,5", "nan", "inf", "1e999"}) {
        const QString text = QString::fromUtf8(bad);
        try {
            orv::core::floatFromText(text, QLocale::c());
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Conversion);
            EXPECT_EQ(e.message(), QStringLiteral("'%1' не число").arg(text));
        }
    }
    EXPECT_EQ(orv::core::floatToText(20.0, russian), QStringLiteral("20"));
    EXPECT_EQ(orv::core::floatToText(1.0, russian), QStringLiteral("1"));
    EXPECT_EQ(orv::core::floatToText(0.1, russian), QStringLiteral("0,1"));
    EXPECT_EQ(orv::core::floatToText(12345.5, russian), QStringLiteral("12345,5"));
}

TEST_F(SettingsStoreTest, SetFromTextUsesTheSettingsTypeAndStoresNothingOnBadText) {
    SettingsStore store(path());
    const auto set = [&](const char* section, const char* name, const char* text) {
        const orv::core::SettingInfo* setting =
            orv::core::findSetting(QString::fromUtf8(section), QString::fromUtf8(name));
        ASSERT_NE(setting, nullptr) << section << name;
        orv::core::writeSettingFromText(store, *setting, QString::fromUtf8(text), QLocale::c());
    };
    set("mnmg", "использовать", "нет");
    set("Пеня", "Использовать", "TRUE");
    set("НДС", "Процент", "18.5");
    set("NoUchet", "Min", "30 минут");
    const orv::core::Settings s = orv::core::readSettings(store);
    EXPECT_FALSE(s.chargeLongDistance);
    EXPECT_TRUE(s.usePenalty);
    EXPECT_EQ(s.ndsPercent, 18.5);
    EXPECT_EQ(s.freeMinutes, 30);
    EXPECT_EQ(store.value(QStringLiteral("NoUchet"), QStringLiteral("Min"))->type,
              SettingsStore::Type::Dword);

    const QString before = readFile();
    EXPECT_THROW(set("НДС", "Процент", "двадцать"), Error);
    EXPECT_THROW(set("НДС", "Использовать", "5"), Error);
    EXPECT_EQ(readFile(), before);
    EXPECT_EQ(orv::core::findSetting(QStringLiteral("НДС"), QStringLiteral("Min")), nullptr);
    EXPECT_EQ(orv::core::defaultText(
                  *orv::core::findSetting(QStringLiteral("НДС"), QStringLiteral("Процент"))),
              QStringLiteral("20"));
}

}  // namespace

TEST_F(SettingsStoreTest, DamagedPercentsAndMinutesAreRefusedNamingFileSectionAndValue) {
    struct Case {
        const char* what;
        const char* line;
        const char* section;
        const char* shown;
    } cases[] = {
        {"NaN", "\"Процент\"=hex:00,00,00,00,00,00,f8,7f", "Пеня", "«Процент»: nan"},
        {"infinity", "\"Процент\"=hex:00,00,00,00,00,00,f0,7f", "Пеня", "«Процент»: inf"},
        {"negative", "\"Процент\"=hex:00,00,00,00,00,00,f0,bf", "НДС", "«Процент»: -1"},
        {"1e308", "\"Процент\"=hex:a0,c8,eb,85,f3,cc,e1,7f", "НДС", "«Процент»: 1e+308"},
        {"a year of minutes", "\"Min\"=dword:00080520", "NoUchet", "«Min»: 525600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(kHeader + QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orvanta\\%1]\n%2\n")
                                .arg(QString::fromUtf8(c.section), QString::fromUtf8(c.line)));
        const SettingsStore store(path());
        const QString message = errorOf([&] { orv::core::readSettings(store); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("Файл настроек %1 повреждён: раздел «%2»")
                                           .arg(path(), QString::fromUtf8(c.section))))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.shown))) << message.toStdString();
    }
}

TEST_F(SettingsStoreTest, PercentsOutsideTheirRangeAreNotStored) {
    writeFile(kHeader);
    SettingsStore store(path());
    const QString before = readFile();
    for (const char* text : {"1e308", "-1", "100.5", "inf", "nan"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(
            errorOf([&] {
                orv::core::writeSettingFromText(
                    store,
                    *orv::core::findSetting(QStringLiteral("Пеня"), QStringLiteral("Процент")),
                    QString::fromUtf8(text), QLocale::c());
            }).isEmpty());
    }
    EXPECT_FALSE(errorOf([&] {
                     orv::core::writeSettingFromText(
                         store,
                         *orv::core::findSetting(QStringLiteral("NoUchet"), QStringLiteral("Min")),
                         QStringLiteral("50000"), QLocale::c());
                 }).isEmpty());
    EXPECT_EQ(readFile(), before);
}

// A full disk: a small file system of its own, filled up. It needs root for the mount.
TEST_F(SettingsStoreTest, AWriteOnAFullDiskFailsAndKeepsTheOldFile) {
    const QString mountPoint = dir_.filePath(QStringLiteral("full"));
    QDir().mkpath(mountPoint);
    const QByteArray point = QFile::encodeName(mountPoint);
    if (geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=64k tmpfs '" + point + "' 2>/dev/null").constData()) !=
            0)
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    struct Unmount {
        QByteArray point;
        ~Unmount() { std::system(("umount '" + point + "'").constData()); }
    } unmount{point};
    const QString file = mountPoint + QStringLiteral("/Orvanta.reg");
    {
        SettingsStore fresh(file);
        fresh.writeFloat(QStringLiteral("Пеня"), QStringLiteral("Процент"), 2.0);
    }
    QFile original(file);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    QFile filler(mountPoint + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size()) {
    }
    filler.close();

    SettingsStore store(file);
    const QString message =
        errorOf([&] { store.writeFloat(QStringLiteral("НДС"), QStringLiteral("Процент"), 18.0); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to set data for 'Процент'\n")))
        << message.toStdString();
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), before);
    EXPECT_EQ(store.readFloat(QStringLiteral("Пеня"), QStringLiteral("Процент"), 1.0), 2.0);
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files).size(), 2);  // no temporary file left
}
