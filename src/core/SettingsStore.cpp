#include "core/SettingsStore.h"

#include "core/Error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>

namespace orv::core {
namespace {

using Type = SettingsStore::Type;
using Value = SettingsStore::Value;

const QString kKeyPath = QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvanta");
const QString kSignature = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kOldSignature = QStringLiteral("REGEDIT4");

bool sameName(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// A value as found in the file, with the lines it occupies.
struct StoredValue {
    Value value;
    int firstLine = 0;
    int lineCount = 1;
};

// One [section] header and the values below it up to the next header.
struct Block {
    QString section;
    int headerLine = 0;
    QList<StoredValue> values;
};

// The file as lines (without line ends) and what they mean.
struct Document {
    QStringList lines;
    QString eol = QStringLiteral("\n");
    QList<Block> blocks;
};

// Parses the lines of one file; every fault names the file and the line.
class Parser {
  public:
    Parser(const QString& path, Document& doc) : path_(path), doc_(doc) {}

    void run() {
        bool seenContent = false;
        for (index_ = 0; index_ < doc_.lines.size(); ++index_) {
            const QString line = doc_.lines[index_].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
            if (!seenContent && (line == kSignature || line == kOldSignature)) {
                seenContent = true;
                continue;
            }
            seenContent = true;
            if (line.startsWith(QLatin1Char('['))) {
                parseHeader(line);
            } else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'))) {
                parseValue(line);
            } else {
                fail(QStringLiteral("строка не в формате файла реестра"));
            }
        }
    }

  private:
    [[noreturn]] void fail(const QString& reason) const {
        raise(Error::Kind::Engine, QStringLiteral("Файл настроек %1 повреждён: строка %2: %3")
                                       .arg(path_)
                                       .arg(index_ + 1)
                                       .arg(reason));
    }

    void parseHeader(const QString& line) {
        if (!line.endsWith(QLatin1Char(']'))) fail(QStringLiteral("нет закрывающей скобки ]"));
        const QString key = line.mid(1, line.size() - 2);
        if (key.startsWith(QLatin1Char('-')))
            fail(QStringLiteral("удаление разделов не поддерживается"));
        if (!key.startsWith(kKeyPath, Qt::CaseInsensitive))
            fail(QStringLiteral("раздел вне ключа %1").arg(kKeyPath));
        const QString rest = key.mid(kKeyPath.size());
        Block block;
        block.headerLine = index_;
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char('\\'))) {
                fail(QStringLiteral("раздел вне ключа %1").arg(kKeyPath));
            }
            block.section = rest.mid(1);
            if (block.section.isEmpty() || block.section.endsWith(QLatin1Char('\\')))
                fail(QStringLiteral("неверное имя раздела"));
        }
        doc_.blocks.append(block);
    }

    // Reads a quoted text starting at pos (on the opening quote); pos ends after the closing one.
    QString quoted(const QString& text, qsizetype& pos) const {
        QString result;
        ++pos;
        while (pos < text.size()) {
            const QChar c = text[pos++];
            if (c == QLatin1Char('"')) return result;
            if (c != QLatin1Char('\\')) {
                result += c;
                continue;
            }
            if (pos == text.size()) break;
            const QChar escaped = text[pos++];
            if (escaped != QLatin1Char('\\') && escaped != QLatin1Char('"')) {
                fail(QStringLiteral("неизвестная последовательность \\%1 (обратная косая черта "
                                    "пишется как \\\\)")
                         .arg(escaped));
            }
            result += escaped;
        }
        fail(QStringLiteral("нет закрывающей кавычки"));
    }

    static bool isHex(const QString& text) {
        for (const QChar c : text) {
            const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
            const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                                (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
            if (!digit && !letter) return false;
        }
        return !text.isEmpty();
    }

    QByteArray hexBytes(const QString& list) const {
        QByteArray bytes;
        const QString trimmed = list.trimmed();
        if (trimmed.isEmpty()) return bytes;
        for (const QString& part : trimmed.split(QLatin1Char(','))) {
            const QString byte = part.trimmed();
            if (byte.size() > 2 || !isHex(byte))
                fail(QStringLiteral("неверный байт «%1»").arg(byte));
            bytes.append(char(byte.toUInt(nullptr, 16)));
        }
        return bytes;
    }

    void parseValue(const QString& line) {
        if (doc_.blocks.isEmpty()) fail(QStringLiteral("значение вне раздела"));
        StoredValue stored;
        stored.firstLine = index_;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else {
            stored.value.name = quoted(line, pos);
        }
        QString data = line.mid(pos).trimmed();
        if (!data.startsWith(QLatin1Char('='))) fail(QStringLiteral("нет знака = после имени"));
        data = data.mid(1).trimmed();

        if (data.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(QLatin1Char('\\'))) {
                data.chop(1);
                if (index_ + 1 == doc_.lines.size()) fail(QStringLiteral("значение не окончено"));
                ++index_;
                ++stored.lineCount;
                data += doc_.lines[index_].trimmed();
            }
        }
        parseData(data, stored.value);
        doc_.blocks.last().values.append(stored);
    }

    void parseData(const QString& data, Value& value) const {
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype pos = 0;
            value.type = Type::String;
            value.text = quoted(data, pos);
            if (pos != data.size()) fail(QStringLiteral("лишний текст после строки"));
        } else if (data.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6);
            if (digits.size() > 8 || !isHex(digits))
                fail(QStringLiteral("dword: требует до 8 шестнадцатеричных цифр"));
            value.type = Type::Dword;
            value.dword = qint32(digits.toUInt(nullptr, 16));
        } else if (data.startsWith(QStringLiteral("hex:"), Qt::CaseInsensitive)) {
            value.type = Type::Binary;
            value.bytes = hexBytes(data.mid(4));
        } else if (data.startsWith(QStringLiteral("hex("), Qt::CaseInsensitive)) {
            const qsizetype close = data.indexOf(QStringLiteral("):"));
            const QString typeDigits = close < 0 ? QString() : data.mid(4, close - 4);
            if (typeDigits.size() > 8 || !isHex(typeDigits))
                fail(QStringLiteral("неверный тип значения hex(...)"));
            value.bytes = hexBytes(data.mid(close + 2));
            value.otherType = int(typeDigits.toUInt(nullptr, 16));
            if (value.otherType == 3) {
                value.type = Type::Binary;
            } else if (value.otherType == 4 && value.bytes.size() == 4) {
                value.type = Type::Dword;
                value.dword = qFromLittleEndian<qint32>(value.bytes.constData());
            } else {
                value.type = Type::Other;
            }
        } else if (data == QLatin1String("-")) {
            fail(QStringLiteral("удаление значений не поддерживается"));
        } else {
            fail(QStringLiteral("неизвестный тип значения"));
        }
    }

    const QString& path_;
    Document& doc_;
    int index_ = 0;
};

Document load(const QString& path) {
    Document doc;
    QFile file(path);
    if (!file.exists()) return doc;
    if (!file.open(QIODevice::ReadOnly)) {
        raise(Error::Kind::Engine,
              QStringLiteral("Файл настроек %1 не читается: %2").arg(path, file.errorString()));
    }
    const QByteArray data = file.readAll();
    const auto encoding = QStringDecoder::encodingForData(data).value_or(QStringDecoder::Utf8);
    QStringDecoder decoder(encoding);
    QString text = decoder(data);
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (text.contains(QLatin1String("\r\n"))) doc.eol = QStringLiteral("\r\n");
    doc.lines = text.split(QLatin1Char('\n'));
    for (QString& line : doc.lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    }
    if (decoder.hasError()) {
        for (int i = 0; i < doc.lines.size(); ++i) {
            if (doc.lines[i].contains(QChar::ReplacementCharacter)) {
                raise(Error::Kind::Engine,
                      QStringLiteral("Файл настроек %1 повреждён: строка %2: текст не в "
                                     "кодировке UTF-8")
                          .arg(path)
                          .arg(i + 1));
            }
        }
    }
    Parser(path, doc).run();
    return doc;
}

const StoredValue* findValue(const Document& doc, const QString& section, const QString& name) {
    for (auto block = doc.blocks.crbegin(); block != doc.blocks.crend(); ++block) {
        if (!sameName(block->section, section)) continue;
        for (auto v = block->values.crbegin(); v != block->values.crend(); ++v) {
            if (sameName(v->value.name, name)) return &*v;
        }
    }
    return nullptr;
}

const Block* lastBlock(const Document& doc, const QString& section) {
    for (auto block = doc.blocks.crbegin(); block != doc.blocks.crend(); ++block) {
        if (sameName(block->section, section)) return &*block;
    }
    return nullptr;
}

QString quote(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString hexList(const QByteArray& bytes) {
    QStringList parts;
    for (const char byte : bytes)
        parts << QStringLiteral("%1").arg(quint8(byte), 2, 16, QChar('0'));
    return parts.join(QLatin1Char(','));
}

QString valueLine(const Value& value) {
    const QString name = value.name.isEmpty() ? QStringLiteral("@") : quote(value.name);
    switch (value.type) {
        case Type::String:
            return name + QLatin1Char('=') + quote(value.text);
        case Type::Dword:
            return name + QStringLiteral("=dword:%1").arg(quint32(value.dword), 8, 16, QChar('0'));
        case Type::Binary:
            return name + QStringLiteral("=hex:") + hexList(value.bytes);
        case Type::Other:
            break;
    }
    return name + QStringLiteral("=hex(%1):").arg(value.otherType, 0, 16) + hexList(value.bytes);
}

QString headerLine(const QString& section) {
    return QLatin1Char('[') + kKeyPath +
           (section.isEmpty() ? QString() : QLatin1Char('\\') + section) + QLatin1Char(']');
}

[[noreturn]] void writeFailed(const QString& name, const QString& cause = {}) {
    QString message = QStringLiteral("Failed to set data for '%1'").arg(name);
    if (!cause.isEmpty()) message += QLatin1Char('\n') + cause;
    raise(Error::Kind::Engine, message);
}

QString systemError(const QString& path) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
}

// Writes the whole text into a new file beside the old one, flushes it to the disk and only then
// renames it over the old file: a failed write, a full disk or a kill leaves the old file whole.
void writeAtomically(const QString& path, const QByteArray& bytes, const QString& name) {
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) writeFailed(name, systemError(path));
    const auto failWith = [&](const QString& cause) {
        ::close(fd);
        ::unlink(temp.constData());
        writeFailed(name, cause);
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) failWith(systemError(path));
        done += n;
    }
    struct stat old {};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &old) == 0
                            ? old.st_mode & 07777
                            : S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) failWith(systemError(path));
    if (::close(fd) != 0) {
        const QString cause = systemError(path);
        ::unlink(temp.constData());
        writeFailed(name, cause);
    }
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString cause = systemError(path);
        ::unlink(temp.constData());
        writeFailed(name, cause);
    }
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(
            folder);  // the rename is done; a folder that cannot be synced keeps it all the same
        ::close(folder);
    }
}

void save(const QString& path, const Document& doc, const QString& name) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) writeFailed(name);
    writeAtomically(path, (doc.lines.join(doc.eol) + doc.eol).toUtf8(), name);
}

// Reads the file, puts the value that make() returns in place of the stored one (or after the
// section's last value, or in a new section at the end) and saves the file.
void store(const QString& path, const QString& section, const QString& name,
           const std::function<Value(const Value* existing)>& make) {
    for (const QString& text : {section, name}) {
        if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) writeFailed(name);
    }
    Document doc = load(path);
    const StoredValue* existing = findValue(doc, section, name);
    Value value = make(existing ? &existing->value : nullptr);
    value.name = existing ? existing->value.name : name;
    const QString line = valueLine(value);

    if (existing) {
        doc.lines.remove(existing->firstLine, existing->lineCount);
        doc.lines.insert(existing->firstLine, line);
    } else if (const Block* block = lastBlock(doc, section)) {
        const int at = block->values.isEmpty()
                           ? block->headerLine + 1
                           : block->values.last().firstLine + block->values.last().lineCount;
        doc.lines.insert(at, line);
    } else {
        while (!doc.lines.isEmpty() && doc.lines.last().trimmed().isEmpty()) doc.lines.removeLast();
        if (doc.lines.isEmpty()) doc.lines << kSignature;
        doc.lines << QString() << headerLine(section) << line;
    }
    save(path, doc, name);
}

}  // namespace

SettingsStore::SettingsStore() : filePath_(defaultFilePath()) {}

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

QString SettingsStore::defaultFilePath() {
    const QString overridden = qEnvironmentVariable("ORVANTA_SETTINGS_FILE");
    if (!overridden.isEmpty()) return overridden;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Orvanta/Orvanta.reg");
}

bool SettingsStore::fileExists() const { return QFileInfo::exists(filePath_); }

bool SettingsStore::readBool(const QString& section, const QString& name, bool defaultValue) const {
    return readInteger(section, name, defaultValue ? 1 : 0) != 0;
}

qint32 SettingsStore::readInteger(const QString& section, const QString& name,
                                  qint32 defaultValue) const {
    const Document doc = load(filePath_);
    const StoredValue* stored = findValue(doc, section, name);
    if (!stored) return defaultValue;
    switch (stored->value.type) {
        case Type::String: {
            bool ok = false;
            const qint32 number = stored->value.text.trimmed().toInt(&ok, 10);
            return ok ? number : defaultValue;
        }
        case Type::Dword:
            return stored->value.dword;
        case Type::Binary:
        case Type::Other:
            break;
    }
    raise(Error::Kind::Conversion, QStringLiteral("Invalid data type for '%1'").arg(name));
}

double SettingsStore::readFloat(const QString& section, const QString& name,
                                double defaultValue) const {
    const Document doc = load(filePath_);
    const StoredValue* stored = findValue(doc, section, name);
    if (!stored) return defaultValue;
    const QByteArray& bytes = stored->value.bytes;
    if (stored->value.type == Type::Binary && bytes.size() == 8)
        return std::bit_cast<double>(qFromLittleEndian<quint64>(bytes.constData()));
    if (stored->value.type == Type::Binary && bytes.size() > 8)
        raise(Error::Kind::Conversion, QStringLiteral("Failed to get data for '%1'").arg(name));
    raise(Error::Kind::Conversion, QStringLiteral("Invalid data type for '%1'").arg(name));
}

void SettingsStore::writeBool(const QString& section, const QString& name, bool value) {
    store(filePath_, section, name, [value](const Value*) {
        Value v;
        v.type = Type::String;
        v.text = value ? QStringLiteral("1") : QStringLiteral("0");
        return v;
    });
}

void SettingsStore::writeInteger(const QString& section, const QString& name, qint32 value) {
    store(filePath_, section, name, [value](const Value* existing) {
        Value v;
        if (existing && existing->type == Type::String) {
            v.type = Type::String;
            v.text = QString::number(value);
        } else {
            v.type = Type::Dword;
            v.dword = value;
        }
        return v;
    });
}

void SettingsStore::writeFloat(const QString& section, const QString& name, double value) {
    store(filePath_, section, name, [value](const Value*) {
        Value v;
        v.type = Type::Binary;
        v.bytes.resize(8);
        qToLittleEndian(std::bit_cast<quint64>(value), v.bytes.data());
        return v;
    });
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    store(filePath_, section, name, [&value](const Value*) {
        Value v;
        v.type = Type::String;
        v.text = value;
        return v;
    });
}

std::optional<SettingsStore::Value> SettingsStore::value(const QString& section,
                                                         const QString& name) const {
    const Document doc = load(filePath_);
    if (const StoredValue* stored = findValue(doc, section, name)) return stored->value;
    return std::nullopt;
}

QList<SettingsStore::Section> SettingsStore::sections() const {
    const Document doc = load(filePath_);
    QList<Section> result;
    for (const Block& block : doc.blocks) {
        auto section = std::find_if(result.begin(), result.end(), [&](const Section& s) {
            return sameName(s.name, block.section);
        });
        if (section == result.end()) {
            result.append(Section{block.section, {}});
            section = result.end() - 1;
        }
        for (const StoredValue& stored : block.values) {
            auto known =
                std::find_if(section->values.begin(), section->values.end(),
                             [&](const Value& v) { return sameName(v.name, stored.value.name); });
            if (known == section->values.end()) {
                section->values.append(stored.value);
            } else {
                *known = stored.value;
            }
        }
    }
    return result;
}

}  // namespace orv::core
