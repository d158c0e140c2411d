#pragma once
// The tokenizer of the local SQL dialect, used by DialectStatement only.
//
// It splits a statement text into identifiers (ASCII and other Unicode letters, digits, '_'),
// numbers, string literals in double or single quotes, named parameters (":Name"), operators
// and the punctuation ( ) , . ; and keeps the whitespace before each token so the translation
// can keep the statement's layout. Comments ("--" to the end of the line, "/* ... */") are
// dropped. Lines and positions are counted from 1.
//
// Errors: an unterminated string or comment, a malformed number or a character that starts no
// token throws orv::Error of kind Dialect naming the line and position.

#include <QList>
#include <QString>

namespace orv::db {

struct DialectToken {
    enum class Type { Identifier, Number, String, Parameter, Operator, Punctuation };

    Type type = Type::Identifier;
    QString text;     // exactly as written
    QString value;    // String: the contents, quotes undone; Parameter: the name without ':'
    QString leading;  // whitespace before the token (comments removed)
    int line = 1;
    int column = 1;
};

struct DialectTokens {
    QList<DialectToken> tokens;
    QString trailing;  // whitespace after the last token
};

DialectTokens tokenizeDialect(const QString& sql);

// Throws the Dialect error "Ошибка в тексте запроса (строка L, позиция C): what".
[[noreturn]] void raiseDialectError(int line, int column, const QString& what);
[[noreturn]] void raiseDialectError(const DialectToken& at, const QString& what);

}  // namespace orv::db
