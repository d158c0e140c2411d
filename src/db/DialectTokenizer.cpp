#include "db/DialectTokenizer.h"

#include "core/Error.h"

#include <utility>

namespace orv::db {

namespace {

bool isIdentifierStart(QChar c) { return c.isLetter() || c == u'_'; }

bool isIdentifierChar(QChar c) { return c.isLetterOrNumber() || c.isMark() || c == u'_'; }

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

class Scanner {
  public:
    explicit Scanner(const QString& sql) : sql_(sql) {}

    DialectTokens run() {
        DialectTokens result;
        while (pos_ < sql_.size()) {
            const QChar c = sql_[pos_];
            if (c.isSpace() || c == QChar(0xFEFF)) {
                skipWhitespace();
            } else if (c == u'-' && peek(1) == u'-') {
                skipLineComment();
            } else if (c == u'/' && peek(1) == u'*') {
                skipBlockComment();
            } else {
                result.tokens.append(token());
            }
        }
        result.trailing = std::exchange(leading_, {});
        return result;
    }

  private:
    QChar peek(qsizetype ahead) const {
        return pos_ + ahead < sql_.size() ? sql_[pos_ + ahead] : QChar();
    }

    int column() const { return int(pos_ - lineStart_) + 1; }

    void advanceTo(qsizetype to) {
        for (; pos_ < to; ++pos_) {
            if (sql_[pos_] == u'\n') {
                ++line_;
                lineStart_ = pos_ + 1;
            }
        }
    }

    void skipWhitespace() {
        const QChar c = sql_[pos_];
        // Only plain whitespace reaches SQLite: it would read a no-break space as part of a name.
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            leading_ += c;
        } else if (c != QChar(0xFEFF)) {
            leading_ += u' ';
        }
        advanceTo(pos_ + 1);
    }

    void skipLineComment() {
        const qsizetype end = sql_.indexOf(u'\n', pos_);
        advanceTo(end < 0 ? sql_.size() : end);
    }

    void skipBlockComment() {
        const int line = line_;
        const int col = column();
        const qsizetype end = sql_.indexOf(QStringLiteral("*/"), pos_ + 2);
        if (end < 0) raiseDialectError(line, col, QStringLiteral("незакрытый комментарий"));
        leading_ += u' ';
        advanceTo(end + 2);
    }

    qsizetype identifierEnd(qsizetype from) const {
        while (from < sql_.size() && isIdentifierChar(sql_[from])) ++from;
        return from;
    }

    DialectToken token() {
        DialectToken t;
        t.line = line_;
        t.column = column();
        t.leading = std::exchange(leading_, {});
        const QChar c = sql_[pos_];
        qsizetype end = pos_ + 1;
        if (c == u'"' || c == u'\'') {
            t.type = DialectToken::Type::String;
            end = stringEnd(c, t);
        } else if (c == u':') {
            if (!isIdentifierStart(peek(1))) {
                raiseDialectError(t, QStringLiteral("после «:» должно стоять имя параметра"));
            }
            t.type = DialectToken::Type::Parameter;
            end = identifierEnd(pos_ + 1);
            t.value = sql_.mid(pos_ + 1, end - pos_ - 1);
        } else if (isIdentifierStart(c)) {
            t.type = DialectToken::Type::Identifier;
            end = identifierEnd(pos_);
        } else if (isAsciiDigit(c)) {
            t.type = DialectToken::Type::Number;
            end = numberEnd(t);
        } else {
            end = operatorEnd(t);
        }
        t.text = sql_.mid(pos_, end - pos_);
        if (t.type == DialectToken::Type::Identifier) t.value = t.text;
        advanceTo(end);
        return t;
    }

    // Doubled quotes inside a literal stand for one quote.
    qsizetype stringEnd(QChar quote, DialectToken& t) const {
        qsizetype p = pos_ + 1;
        while (p < sql_.size()) {
            if (sql_[p] == quote) {
                if (p + 1 < sql_.size() && sql_[p + 1] == quote) {
                    t.value += quote;
                    p += 2;
                    continue;
                }
                return p + 1;
            }
            t.value += sql_[p++];
        }
        raiseDialectError(t, QStringLiteral("незакрытая строка"));
    }

    qsizetype numberEnd(const DialectToken& t) const {
        auto digitsEnd = [this](qsizetype p) {
            while (p < sql_.size() && isAsciiDigit(sql_[p])) ++p;
            return p;
        };
        qsizetype p = digitsEnd(pos_);
        if (p + 1 < sql_.size() && sql_[p] == u'.' && isAsciiDigit(sql_[p + 1])) {
            p = digitsEnd(p + 1);
        }
        if (p < sql_.size() && (sql_[p] == u'e' || sql_[p] == u'E')) {
            qsizetype q = p + 1;
            if (q < sql_.size() && (sql_[q] == u'+' || sql_[q] == u'-')) ++q;
            if (q < sql_.size() && isAsciiDigit(sql_[q])) p = digitsEnd(q);
        }
        if (p < sql_.size() && isIdentifierChar(sql_[p])) {
            const qsizetype bad = identifierEnd(p);
            raiseDialectError(
                t, QStringLiteral("неверное число «%1»").arg(sql_.mid(pos_, bad - pos_)));
        }
        return p;
    }

    qsizetype operatorEnd(DialectToken& t) const {
        static const QString twoChar[] = {QStringLiteral("<>"), QStringLiteral("<="),
                                          QStringLiteral(">="), QStringLiteral("!="),
                                          QStringLiteral("||"), QStringLiteral("==")};
        const QStringView here = QStringView(sql_).mid(pos_);
        for (const QString& op : twoChar) {
            if (here.startsWith(op)) {
                t.type = DialectToken::Type::Operator;
                return pos_ + 2;
            }
        }
        const QChar c = sql_[pos_];
        if (QStringView(u"=<>+-*/%").contains(c)) {
            t.type = DialectToken::Type::Operator;
            return pos_ + 1;
        }
        if (QStringView(u"(),.;").contains(c)) {
            t.type = DialectToken::Type::Punctuation;
            return pos_ + 1;
        }
        raiseDialectError(t, QStringLiteral("недопустимый символ «%1»").arg(c));
    }

    const QString& sql_;
    qsizetype pos_ = 0;
    qsizetype lineStart_ = 0;
    int line_ = 1;
    QString leading_;
};

}  // namespace

DialectTokens tokenizeDialect(const QString& sql) { return Scanner(sql).run(); }

void raiseDialectError(int line, int column, const QString& what) {
    raise(Error::Kind::Dialect,
          QStringLiteral("Ошибка в тексте запроса (строка %1, позиция %2): %3")
              .arg(line)
              .arg(column)
              .arg(what));
}

void raiseDialectError(const DialectToken& at, const QString& what) {
    raiseDialectError(at.line, at.column, what);
}

}  // namespace orv::db
