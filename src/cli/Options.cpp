#include "cli/Options.h"

#include "cli/CliContext.h"

#include <algorithm>

namespace orv::cli {
namespace {

bool isOptionName(const QString& word) { return word.startsWith(QLatin1String("--")); }

}  // namespace

void Options::refuse(const QString& reason) const { usageError(reason + u'\n' + usage_); }

void Options::refuse(Fault fault, const QString& word) const {
    if (faultText_) usageError(faultText_(fault, word));
    switch (fault) {
        case Fault::NoValue:
            refuse(QStringLiteral("Нет значения для %1").arg(word));
        case Fault::Unknown:
            refuse(QStringLiteral("Неизвестный параметр %1").arg(word));
        case Fault::Twice:
            refuse(QStringLiteral("%1 задан дважды").arg(word));
        case Fault::Stray:
            break;
    }
    refuse(QStringLiteral("Лишний параметр %1").arg(word));
}

bool Options::takeFlag(const QString& name) { return words_.removeAll(name) > 0; }

std::optional<QString> Options::take(const QString& name, const Read& check) {
    std::optional<QString> value;
    for (qsizetype i = 0; i < words_.size();) {
        if (words_[i] != name) {
            ++i;
            continue;
        }
        if (i + 1 >= words_.size()) refuse(Fault::NoValue, name);
        if (value && !value->isEmpty()) refuse(Fault::Twice, name);
        value = words_[i + 1];
        if (check) check(*value);
        words_.remove(i, 2);
    }
    return value;
}

void Options::readPairs(const QList<Option>& options, Others others) {
    QStringList seen;
    while (!words_.isEmpty()) {
        const QString name = words_.first();
        if (!isOptionName(name)) {
            if (others == Others::End) return;
            if (others == Others::Refused) refuse(Fault::Stray, name);
        }
        if (words_.size() < 2) refuse(Fault::NoValue, name);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == options.end()) refuse(Fault::Unknown, name);
        if (!option->repeatable && seen.contains(name)) refuse(Fault::Twice, name);
        seen.append(name);
        const QString value = words_[1];
        words_.remove(0, 2);
        option->read(value);
    }
}

void Options::refuseUnknown() const {
    for (const QString& word : words_)
        if (isOptionName(word)) refuse(Fault::Unknown, word);
}

}  // namespace orv::cli
