#pragma once
// The options of an orvanta-cli command line: "--NAME VALUE" options, "--NAME" flags and the
// words left for the command. Every refusal is a usage error (exit code 2) whose text is the
// reason, a line end and the command's usage:
//   "Нет значения для --NAME"     the option is the last word;
//   "Неизвестный параметр --NAME" no such option;
//   "--NAME задан дважды"         a second one of an option that is given once;
//   "Лишний параметр WORD"        a word where an option's name is expected, when refused.
// A command may word these refusals its own way (setFaultText). Options are taken in the order
// they are read, so the first fault of a line is the one reported; an option's value is checked
// as it is read.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace orv::cli {

class Options {
  public:
    Options(QStringList words, QString usage)
        : words_(std::move(words)), usage_(std::move(usage)) {}

    using Read = std::function<void(const QString& value)>;
    struct Option {
        QString name;
        Read read;
        bool repeatable = false;
    };
    // What a word that does not begin with "--" means where an option's name is expected.
    enum class Others {
        Names,    // a name like any other, so an unknown option
        Refused,  // "Лишний параметр"
        End,      // the end of the options: the words from it on are left
    };

    enum class Fault { NoValue, Unknown, Twice, Stray };
    // The whole text of the usage error for a fault at word, in place of the standard one.
    using FaultText = std::function<QString(Fault fault, const QString& word)>;
    void setFaultText(FaultText text) { faultText_ = std::move(text); }

    // A read that keeps the value in target.
    static Read into(QString& target) {
        return [&target](const QString& value) { target = value; };
    }

    // Takes every flag NAME out, wherever it stands; true when there was one.
    bool takeFlag(const QString& name);
    // Takes "NAME VALUE" out, wherever it stands; nothing when absent. An empty value counts as
    // not given, so a second NAME after it is taken instead. check, when given, sees the value
    // before a second NAME is looked for.
    std::optional<QString> take(const QString& name, const Read& check = {});
    // Reads the words, from the first, as "NAME VALUE" pairs, each value through its option.
    void readPairs(const QList<Option>& options, Others others = Others::Names);
    // Refuses a word left that begins with "--" as an unknown option.
    void refuseUnknown() const;

    // The words not taken, in their order.
    const QStringList& rest() const { return words_; }
    const QString& usage() const { return usage_; }
    // A usage error: the reason, then the usage.
    [[noreturn]] void refuse(const QString& reason) const;

  private:
    [[noreturn]] void refuse(Fault fault, const QString& word) const;

    QStringList words_;
    QString usage_;
    FaultText faultText_;
};

}  // namespace orv::cli
