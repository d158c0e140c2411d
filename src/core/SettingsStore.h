#pragma once
// The per-user settings store: named sections of named values, kept in a UTF-8 text file in the
// format of a registry export of HKEY_CURRENT_USER\Software\Orvanta:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\Software\Orvanta\НДС]
//     "Использовать"="1"
//     "Процент"=hex:00,00,00,00,00,00,34,40
//
// Values are strings ("text", with \\ and \" escapes), 32-bit integers (dword:0000001e) or
// binary (hex:.., which may continue on lines ending in a backslash). Blank lines and lines
// starting with ';' are ignored. Section and value names compare without regard to case.
//
// Every read opens and parses the file afresh, so a hand edit or a write through another store
// object on the same file is seen by the next read. A missing file, section or value reads as the
// caller's default. A write rewrites the file atomically (a temporary file written, flushed and
// synced to the disk, then renamed over the old one), keeping the order of sections, values and
// comments; new sections and values are appended.
//
// Errors: a file that is no registry export raises Error(Engine) "Файл настроек ... повреждён:
// строка N: ..." on every read and write, and is never overwritten. A stored value of a type the
// read cannot take raises Error(Conversion) "Invalid data type for '<name>'" (or "Failed to get
// data for '<name>'" for a float stored in more than 8 bytes). A write that fails (a full disk
// included) raises Error(Engine) "Failed to set data for '<name>'", with the file and the
// system's reason on a second line, and leaves the file as it was.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace orv::core {

class SettingsStore {
  public:
    enum class Type {
        String,  // "text"
        Dword,   // dword:xxxxxxxx
        Binary,  // hex:..
        Other,   // hex(N):.. of any other registry type N
    };

    struct Value {
        QString name;
        Type type = Type::String;
        QString text;       // String
        qint32 dword = 0;   // Dword
        QByteArray bytes;   // Binary and Other
        int otherType = 0;  // the registry type number N of Other
    };

    struct Section {
        QString name;  // empty for values of the key Software\Orvanta itself
        QList<Value> values;
    };

    // The store in defaultFilePath().
    SettingsStore();
    explicit SettingsStore(QString filePath);

    // $ORVANTA_SETTINGS_FILE when set, else $XDG_CONFIG_HOME/Orvanta/Orvanta.reg (XDG_CONFIG_HOME
    // defaults to ~/.config).
    static QString defaultFilePath();

    const QString& filePath() const { return filePath_; }
    bool fileExists() const;

    // A string value is read as a decimal integer (the default when it is none), a dword as it
    // is; any other type raises Error(Conversion). readBool is true for any non-zero number.
    bool readBool(const QString& section, const QString& name, bool defaultValue) const;
    qint32 readInteger(const QString& section, const QString& name, qint32 defaultValue) const;
    // Only a binary value of exactly 8 bytes (a little-endian IEEE double) reads.
    double readFloat(const QString& section, const QString& name, double defaultValue) const;

    // A bool is stored as the string "1" or "0".
    void writeBool(const QString& section, const QString& name, bool value);
    // Stored as a dword, or as decimal text when a string value of that name exists already.
    void writeInteger(const QString& section, const QString& name, qint32 value);
    // Stored as 8 bytes of binary.
    void writeFloat(const QString& section, const QString& name, double value);
    // Stored as a string value.
    void writeString(const QString& section, const QString& name, const QString& value);

    // The value as stored, or nothing when the file, section or value does not exist.
    std::optional<Value> value(const QString& section, const QString& name) const;
    // Every section in file order with its values in file order. A section or value that the
    // file names twice is listed once, where it first appears, with its last contents.
    QList<Section> sections() const;

  private:
    QString filePath_;
};

}  // namespace orv::core
