#include "db/Dialect.h"

#include "core/Error.h"
#include "db/DialectTokenizer.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>
#include <vector>

namespace orv::db {

namespace {

using Type = DialectToken::Type;

// Words that are never a table or column alias (SQLite's keywords).
const QSet<QString>& keywords() {
    static const QSet<QString> set = [] {
        const QString words = QStringLiteral(
            "ABORT ACTION ADD AFTER ALL ALTER ALWAYS ANALYZE AND AS ASC ATTACH "
            "AUTOINCREMENT BEFORE BEGIN BETWEEN BY CASCADE CASE CAST CHECK COLLATE "
            "COLUMN COMMIT CONFLICT CONSTRAINT CREATE CROSS CURRENT CURRENT_DATE "
            "CURRENT_TIME CURRENT_TIMESTAMP DATABASE DEFAULT DEFERRABLE DEFERRED "
            "DELETE DESC DETACH DISTINCT DO DROP EACH ELSE END ESCAPE EXCEPT EXCLUDE "
            "EXCLUSIVE EXISTS EXPLAIN FAIL FILTER FIRST FOLLOWING FOR FOREIGN FROM "
            "FULL GENERATED GLOB GROUP GROUPS HAVING IF IGNORE IMMEDIATE IN INDEX "
            "INDEXED INITIALLY INNER INSERT INSTEAD INTERSECT INTO IS ISNULL JOIN KEY "
            "LAST LEFT LIKE LIMIT MATCH MATERIALIZED NATURAL NO NOT NOTHING NOTNULL "
            "NULL NULLS OF OFFSET ON OR ORDER OTHERS OUTER OVER PARTITION PLAN PRAGMA "
            "PRECEDING PRIMARY QUERY RAISE RANGE RECURSIVE REFERENCES REGEXP REINDEX "
            "RELEASE RENAME REPLACE RESTRICT RETURNING RIGHT ROLLBACK ROW ROWS "
            "SAVEPOINT SELECT SET TABLE TEMP TEMPORARY THEN TIES TO TRANSACTION "
            "TRIGGER UNBOUNDED UNION UNIQUE UPDATE USING VACUUM VALUES VIEW VIRTUAL "
            "WHEN WHERE WINDOW WITH WITHOUT");
        const QStringList list = words.split(u' ');
        return QSet<QString>(list.begin(), list.end());
    }();
    return set;
}

// Keywords that end a FROM list or a select list at their own level.
const QSet<QString>& clauseWords() {
    static const QSet<QString> set = {
        QStringLiteral("WHERE"),  QStringLiteral("GROUP"),     QStringLiteral("HAVING"),
        QStringLiteral("ORDER"),  QStringLiteral("LIMIT"),     QStringLiteral("OFFSET"),
        QStringLiteral("UNION"),  QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"),
        QStringLiteral("WINDOW"), QStringLiteral("RETURNING"),
    };
    return set;
}

const QSet<QString>& aggregateNames() {
    static const QSet<QString> set = {QStringLiteral("MAX"), QStringLiteral("MIN"),
                                      QStringLiteral("COUNT"), QStringLiteral("SUM"),
                                      QStringLiteral("AVG")};
    return set;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

QString sqlStringLiteral(const QString& value) {
    QString escaped = value;
    escaped.replace(u'\'', QStringLiteral("''"));
    return u'\'' + escaped + u'\'';
}

// Removes a ".db" extension in any case.
QString withoutDbExtension(const QString& name) {
    return name.endsWith(QStringLiteral(".db"), Qt::CaseInsensitive) ? name.chopped(3) : name;
}

struct FromItem {
    QString alias;
    QString table;
};

struct TableSpan {
    qsizetype first = 0;
    qsizetype last = 0;
    TableRef ref;
};

}  // namespace

struct DialectStatement::Impl {
    explicit Impl(const QString& localSql);

    // Token access that tolerates running off either end of a malformed statement.
    const DialectToken* at(qsizetype i) const {
        return i >= 0 && i < tokens.size() ? &tokens[i] : nullptr;
    }
    bool isWord(qsizetype i) const {
        const DialectToken* t = at(i);
        return t && t->type == Type::Identifier;
    }
    QString upper(qsizetype i) const { return isWord(i) ? tokens[i].text.toUpper() : QString(); }
    bool isKw(qsizetype i, const char* word) const {
        return isWord(i) && tokens[i].text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isKeyword(qsizetype i) const { return isWord(i) && keywords().contains(upper(i)); }
    bool isName(qsizetype i) const { return isWord(i) && !isKeyword(i); }
    bool isPunct(qsizetype i, QChar c) const {
        const DialectToken* t = at(i);
        return t && t->type == Type::Punctuation && t->text == c;
    }
    bool isOp(qsizetype i, const char* op) const {
        const DialectToken* t = at(i);
        return t && t->type == Type::Operator && t->text == QLatin1String(op);
    }
    bool isClauseEnd(qsizetype i) const {
        return !at(i) || isPunct(i, u')') || clauseWords().contains(upper(i));
    }
    bool startsSubquery(qsizetype i) const {
        return isKw(i, "SELECT") || isKw(i, "WITH") || isKw(i, "VALUES");
    }
    qsizetype skipGroup(qsizetype i) const { return isPunct(i, u'(') ? match[i] + 1 : i + 1; }

    void cutAtSemicolon();
    void matchParentheses();
    void findMainKeyword();
    void detectKind();
    void rewriteQuantifiedComparisons();
    void collectParameters();
    void findTables();
    qsizetype parseFromList(qsizetype i, TableUse firstUse, std::vector<FromItem>* items);
    qsizetype parseFromItem(qsizetype i, TableUse use, std::vector<FromItem>* items);
    qsizetype parseTableName(qsizetype i, TableUse use, bool inFrom, std::vector<FromItem>* items);
    qsizetype parseAlias(qsizetype i, QString* alias) const;
    void mergeTables();
    void convertLiterals();
    bool isColumnAfterDot(qsizetype i) const;
    void analyzeSelectList();
    void qualifyOrderByNames();
    SelectColumn analyzeColumn(qsizetype begin, qsizetype end) const;
    bool endsOperand(qsizetype i) const;
    void unwrap(qsizetype& begin, qsizetype& end) const;
    QString serverPiece(qsizetype i, const QString& piece) const;

    QList<DialectToken> tokens;
    std::vector<qsizetype> match;  // matching parenthesis of each '(' and ')'
    std::vector<int> depth;        // parenthesis depth of each token
    std::vector<QString> output;   // text each token is rendered as
    std::vector<bool> dropped;     // tokens rendered as nothing
    std::vector<int> spanAt;       // index into spans for the first token of a table name
    std::vector<TableSpan> spans;
    QSet<QString> cteNames;  // upper-case names of WITH tables, which are not files
    std::map<qsizetype, std::vector<FromItem>> fromLists;  // by index of their FROM
    qsizetype main = 0;       // index of the statement's leading keyword
    qsizetype mainFrom = -1;  // FROM of the outermost select list

    StatementKind kind = StatementKind::Other;
    QList<TableRef> tables;
    QStringList parameters;
    QList<SelectColumn> columns;
    QList<QPair<QString, QString>> aliases;
};

DialectStatement::Impl::Impl(const QString& localSql) {
    tokens = tokenizeDialect(localSql).tokens;
    cutAtSemicolon();
    if (tokens.isEmpty()) {
        raise(Error::Kind::Dialect, QStringLiteral("Ошибка в тексте запроса: текст запроса пуст"));
    }
    matchParentheses();
    output.resize(tokens.size());
    dropped.assign(tokens.size(), false);
    spanAt.assign(tokens.size(), -1);
    for (qsizetype i = 0; i < tokens.size(); ++i) output[i] = tokens[i].text;

    findMainKeyword();
    detectKind();
    rewriteQuantifiedComparisons();
    collectParameters();
    findTables();
    mergeTables();
    convertLiterals();
    analyzeSelectList();
    qualifyOrderByNames();
}

// The statement ends at its first ';' outside parentheses; only further ';' may follow.
void DialectStatement::Impl::cutAtSemicolon() {
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const DialectToken& t = tokens[i];
        if (t.type != Type::Punctuation) continue;
        if (t.text == u'(') {
            open.push_back(i);
        } else if (t.text == u')') {
            if (open.empty()) raiseDialectError(t, QStringLiteral("лишняя закрывающая скобка"));
            open.pop_back();
        } else if (t.text == u';') {
            if (!open.empty())
                raiseDialectError(tokens[open.back()], QStringLiteral("незакрытая скобка"));
            for (qsizetype j = i + 1; j < tokens.size(); ++j) {
                if (tokens[j].type != Type::Punctuation || tokens[j].text != u';') {
                    raiseDialectError(tokens[j],
                                      QStringLiteral("после «;» начинается второй оператор"));
                }
            }
            tokens.resize(i);
            return;
        }
    }
    if (!open.empty()) raiseDialectError(tokens[open.back()], QStringLiteral("незакрытая скобка"));
}

void DialectStatement::Impl::matchParentheses() {
    match.assign(tokens.size(), -1);
    depth.assign(tokens.size(), 0);
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (isPunct(i, u')')) {
            match[i] = open.back();
            match[open.back()] = i;
            open.pop_back();
        }
        depth[i] = int(open.size());
        if (isPunct(i, u'(')) open.push_back(i);
    }
}

// Skips leading parentheses and a WITH clause, remembering the names it defines.
void DialectStatement::Impl::findMainKeyword() {
    qsizetype i = 0;
    while (isPunct(i, u'(')) ++i;
    if (isKw(i, "WITH")) {
        ++i;
        if (isKw(i, "RECURSIVE")) ++i;
        while (isWord(i)) {
            cteNames.insert(upper(i));
            ++i;
            if (isPunct(i, u'(')) i = match[i] + 1;
            if (isKw(i, "AS")) ++i;
            if (isKw(i, "NOT")) ++i;
            if (isKw(i, "MATERIALIZED")) ++i;
            if (isPunct(i, u'(')) i = match[i] + 1;
            if (!isPunct(i, u',')) break;
            ++i;
        }
        while (isPunct(i, u'(')) ++i;
    }
    main = i;
}

void DialectStatement::Impl::detectKind() {
    const QString word = upper(main);
    if (word == u"SELECT" || word == u"VALUES") {
        kind = StatementKind::Select;
    } else if (word == u"INSERT" || word == u"REPLACE") {
        kind = StatementKind::Insert;
    } else if (word == u"UPDATE") {
        kind = StatementKind::Update;
    } else if (word == u"DELETE") {
        kind = StatementKind::Delete;
    } else if (word == u"CREATE") {
        qsizetype i = main + 1;
        if (isKw(i, "TEMP") || isKw(i, "TEMPORARY")) ++i;
        if (isKw(i, "UNIQUE")) ++i;
        if (isKw(i, "TABLE")) kind = StatementKind::CreateTable;
        if (isKw(i, "INDEX")) kind = StatementKind::CreateIndex;
    } else if (word == u"DROP") {
        if (isKw(main + 1, "TABLE")) kind = StatementKind::DropTable;
        if (isKw(main + 1, "INDEX")) kind = StatementKind::DropIndex;
    }
}

// x <>ALL (...) is x NOT IN (...), x =ANY (...) is x IN (...); SQLite has no other
// quantified comparison, so the rest are refused rather than passed on.
void DialectStatement::Impl::rewriteQuantifiedComparisons() {
    for (qsizetype i = 0; i + 2 < tokens.size(); ++i) {
        if (tokens[i].type != Type::Operator) continue;
        const QString quantifier = upper(i + 1);
        if (quantifier != u"ALL" && quantifier != u"ANY" && quantifier != u"SOME") continue;
        if (!isPunct(i + 2, u'(')) continue;
        const QString& op = tokens[i].text;
        QString replacement;
        if ((op == u"<>" || op == u"!=") && quantifier == u"ALL") {
            replacement = QStringLiteral("NOT IN");
        } else if ((op == u"=" || op == u"==") && quantifier != u"ALL") {
            replacement = QStringLiteral("IN");
        } else {
            raiseDialectError(
                tokens[i], QStringLiteral("оператор %1%2 не поддерживается").arg(op, quantifier));
        }
        output[i] = replacement;
        if (tokens[i].leading.isEmpty()) tokens[i].leading = QStringLiteral(" ");
        dropped[i + 1] = true;
        tokens[i + 2].leading = QStringLiteral(" ");
    }
}

// Parameter names are matched without regard to case, as the program's statements were; every
// use is written with the spelling of the first so that one binding serves them all.
void DialectStatement::Impl::collectParameters() {
    QHash<QString, QString> spelling;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens[i].type != Type::Parameter) continue;
        const QString key = tokens[i].value.toLower();
        auto it = spelling.find(key);
        if (it == spelling.end()) {
            it = spelling.insert(key, tokens[i].value);
            parameters.append(tokens[i].value);
        }
        output[i] = u':' + it.value();
    }
}

void DialectStatement::Impl::findTables() {
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (isKw(i, "FROM")) {
            // "a IS [NOT] DISTINCT FROM b" is a comparison, not a FROM clause.
            if (isKw(i - 1, "DISTINCT") && (isKw(i - 2, "IS") || isKw(i - 2, "NOT"))) continue;
            const TableUse use = isKw(i - 1, "DELETE") ? TableUse::Write : TableUse::Read;
            parseFromList(i + 1, use, &fromLists[i]);
        } else if (isKw(i, "INTO")) {
            parseTableName(i + 1, TableUse::Write, false, nullptr);
        } else if (i == main && isKw(i, "ALTER") && isKw(i + 1, "TABLE")) {
            // A table is its file: renaming the table inside would leave the file misnamed.
            const qsizetype next = parseTableName(i + 2, TableUse::Write, false, nullptr);
            if (isKw(next, "RENAME") && isKw(next + 1, "TO"))
                raiseDialectError(tokens[next],
                                  QStringLiteral("переименование таблицы не поддерживается"));
        } else if (i == main && isKw(i, "UPDATE")) {
            qsizetype j = i + 1;
            if (isKw(j, "OR")) j += 2;
            parseTableName(j, TableUse::Write, false, nullptr);
        } else if (i == main &&
                   (kind == StatementKind::CreateTable || kind == StatementKind::DropTable)) {
            qsizetype j = i + 1;
            while (at(j) && !isKw(j, "TABLE")) ++j;
            ++j;
            if (isKw(j, "IF")) {
                ++j;
                if (isKw(j, "NOT")) ++j;
                if (isKw(j, "EXISTS")) ++j;
            }
            parseTableName(j,
                           kind == StatementKind::CreateTable ? TableUse::Create : TableUse::Drop,
                           false, nullptr);
        } else if (i == main && kind == StatementKind::CreateIndex) {
            qsizetype j = i + 1;
            while (at(j) && !isKw(j, "ON")) ++j;
            parseTableName(j + 1, TableUse::Read, false, nullptr);
        }
    }
}

// A comma-separated FROM list, joins included, up to the clause that ends it.
qsizetype DialectStatement::Impl::parseFromList(qsizetype i, TableUse firstUse,
                                                std::vector<FromItem>* items) {
    qsizetype j = parseFromItem(i, firstUse, items);
    while (!isClauseEnd(j)) {
        if (isPunct(j, u',') || isKw(j, "JOIN")) {
            j = parseFromItem(j + 1, TableUse::Read, items);
        } else {
            j = skipGroup(j);
        }
    }
    return j;
}

qsizetype DialectStatement::Impl::parseFromItem(qsizetype i, TableUse use,
                                                std::vector<FromItem>* items) {
    if (!isPunct(i, u'(')) return parseTableName(i, use, true, items);
    // A parenthesised subquery is read by the FROM inside it; a parenthesised join list is
    // read here.
    if (!startsSubquery(i + 1)) parseFromList(i + 1, TableUse::Read, items);
    return parseAlias(match[i] + 1, nullptr);
}

qsizetype DialectStatement::Impl::parseTableName(qsizetype i, TableUse use, bool inFrom,
                                                 std::vector<FromItem>* items) {
    const DialectToken* t = at(i);
    if (!t) return i;
    QString name;
    qsizetype last = i;
    if (t->type == Type::String) {
        name = withoutDbExtension(t->value);
    } else if (isName(i)) {
        name = t->text;
        if (isPunct(i + 1, u'.') && isWord(i + 2)) {
            if (!isKw(i + 2, "DB")) {
                raiseDialectError(
                    *t,
                    QStringLiteral("неверное имя таблицы «%1.%2»").arg(name, tokens[i + 2].text));
            }
            last = i + 2;
        }
        // A table-valued function such as json_each(...) is not a table file.
        if (inFrom && isPunct(last + 1, u'(')) return parseAlias(match[last + 1] + 1, nullptr);
    } else {
        return i;
    }
    const bool isFile = last > i || t->type == Type::String || !cteNames.contains(name.toUpper());
    QString alias;
    const qsizetype next = inFrom ? parseAlias(last + 1, &alias) : last + 1;
    if (isFile) {
        spans.push_back({i, last, {name, use}});
        if (items) items->push_back({alias.isEmpty() ? name : alias, name});
    }
    return next;
}

qsizetype DialectStatement::Impl::parseAlias(qsizetype i, QString* alias) const {
    if (isKw(i, "AS") && at(i + 1) && (isWord(i + 1) || tokens[i + 1].type == Type::String)) {
        if (alias) *alias = isWord(i + 1) ? tokens[i + 1].text : tokens[i + 1].value;
        return i + 2;
    }
    if (isName(i)) {
        if (alias) *alias = tokens[i].text;
        return i + 1;
    }
    return i;
}

// Table spans in order of appearance; each name (without regard to case) listed once, a
// writing use replacing a reading one.
void DialectStatement::Impl::mergeTables() {
    std::sort(spans.begin(), spans.end(),
              [](const TableSpan& a, const TableSpan& b) { return a.first < b.first; });
    spans.erase(
        std::unique(spans.begin(), spans.end(),
                    [](const TableSpan& a, const TableSpan& b) { return a.first == b.first; }),
        spans.end());
    for (size_t s = 0; s < spans.size(); ++s) {
        const TableSpan& span = spans[s];
        spanAt[span.first] = int(s);
        for (qsizetype j = span.first + 1; j <= span.last; ++j) dropped[j] = true;
        auto same = std::find_if(tables.begin(), tables.end(), [&](const TableRef& r) {
            return r.name.compare(span.ref.name, Qt::CaseInsensitive) == 0;
        });
        if (same == tables.end()) {
            tables.append(span.ref);
        } else if (same->use == TableUse::Read) {
            same->use = span.ref.use;
        }
    }
}

// Strings go out in single quotes; dd.mm.yyyy dates become yyyy-mm-dd and times hh:mm:ss, the
// forms in which the tables store them.
void DialectStatement::Impl::convertLiterals() {
    static const QRegularExpression date(
        QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})$"));
    static const QRegularExpression time(
        QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const DialectToken& t = tokens[i];
        if (spanAt[i] >= 0 || dropped[i]) continue;
        if (isColumnAfterDot(i)) {
            // t."ALL" and t.ALL name a column; SQLite takes a keyword only in quotes.
            if (t.type == Type::String || isKeyword(i)) {
                output[i] = u'"' + QString(t.value).replace(u'"', QStringLiteral("\"\"")) + u'"';
            }
            continue;
        }
        if (t.type != Type::String) continue;
        QString value = t.value;
        if (const auto m = date.match(value); m.hasMatch()) {
            const QDate d(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
            if (!d.isValid()) raiseDialectError(t, QStringLiteral("неверная дата «%1»").arg(value));
            value = d.toString(QStringLiteral("yyyy-MM-dd"));
        } else if (const auto m = time.match(value); m.hasMatch()) {
            const int h = m.captured(1).toInt();
            const int min = m.captured(2).toInt();
            const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
            if (h > 23 || min > 59 || s > 59) {
                raiseDialectError(t, QStringLiteral("неверное время «%1»").arg(value));
            }
            value = QStringLiteral("%1:%2:%3")
                        .arg(h, 2, 10, QLatin1Char('0'))
                        .arg(min, 2, 10, QLatin1Char('0'))
                        .arg(s, 2, 10, QLatin1Char('0'));
        }
        output[i] = sqlStringLiteral(value);
    }
}

// The name after "qualifier." is a column, also when it is a keyword or written in quotes.
bool DialectStatement::Impl::isColumnAfterDot(qsizetype i) const {
    return (isWord(i) || tokens[i].type == Type::String) && isPunct(i - 1, u'.') && isWord(i - 2);
}

void DialectStatement::Impl::analyzeSelectList() {
    if (kind == StatementKind::Select && isKw(main, "SELECT")) {
        qsizetype j = main + 1;
        if (isKw(j, "DISTINCT") || isKw(j, "ALL")) ++j;
        qsizetype begin = j;
        while (!isClauseEnd(j) && !isKw(j, "FROM")) {
            if (isPunct(j, u',')) {
                if (j > begin) columns.append(analyzeColumn(begin, j));
                begin = j + 1;
            }
            j = skipGroup(j);
        }
        if (j > begin) columns.append(analyzeColumn(begin, j));
        if (isKw(j, "FROM")) mainFrom = j;
    } else {
        for (const auto& [index, items] : fromLists) {
            if (depth[index] == 0) {
                mainFrom = index;
                break;
            }
        }
    }
    if (const auto it = fromLists.find(mainFrom); it != fromLists.end()) {
        for (const FromItem& item : it->second) aliases.append({item.alias, item.table});
    }
}

// The local engine resolves a bare name in ORDER BY against the select list; SQLite does so only
// for AS names and finds a column of two joined tables ambiguous. A bare ORDER BY name that is
// no alias but the column of a qualified select item is written with that item's qualifier,
// when the statement reads more than one table.
void DialectStatement::Impl::qualifyOrderByNames() {
    if (kind != StatementKind::Select || aliases.size() < 2) return;
    const auto columnOf = [this](const QString& name) -> const SelectColumn* {
        for (const SelectColumn& c : columns)
            if (c.alias.compare(name, Qt::CaseInsensitive) == 0) return nullptr;
        for (const SelectColumn& c : columns)
            if (c.alias.isEmpty() && c.function.isEmpty() && !c.qualifier.isEmpty() &&
                c.column.compare(name, Qt::CaseInsensitive) == 0)
                return &c;
        return nullptr;
    };
    for (qsizetype i = main; i + 1 < tokens.size(); ++i) {
        if (depth[i] != depth[main] || !isKw(i, "ORDER") || !isKw(i + 1, "BY")) continue;
        qsizetype j = i + 2;
        while (at(j)) {
            const bool single = isName(j) && (isClauseEnd(j + 1) || isPunct(j + 1, u',') ||
                                              isKw(j + 1, "ASC") || isKw(j + 1, "DESC"));
            if (single) {
                if (const SelectColumn* c = columnOf(tokens[j].text))
                    output[j] = c->qualifier + u'.' + tokens[j].text;
            }
            while (at(j) && !isPunct(j, u',') && !isClauseEnd(j)) j = skipGroup(j);
            if (!isPunct(j, u',')) break;
            ++j;
        }
        return;
    }
}

// The server names its parameters by position ($1 in the order of parameters()) and keeps
// unquoted names in lower case, which is how the server store creates its columns; so a column
// name quoted for being a keyword is written in lower case too.
QString DialectStatement::Impl::serverPiece(qsizetype i, const QString& piece) const {
    const DialectToken& t = tokens[i];
    if (t.type == Type::Parameter) {
        qsizetype n = 0;
        while (n < parameters.size() && parameters[n].compare(t.value, Qt::CaseInsensitive) != 0)
            ++n;
        return u'$' + QString::number(n + 1);
    }
    if (piece.startsWith(u'"')) return piece.toLower();
    // The row number of a table file is the row's address on the server: both tell rows apart
    // and order them as they were stored.
    if (t.type == Type::Identifier && upper(i) == QLatin1String("ROWID"))
        return QStringLiteral("ctid");
    return piece;
}

// Whether the token can end an operand, so that a name after it is an alias.
bool DialectStatement::Impl::endsOperand(qsizetype i) const {
    const DialectToken* t = at(i);
    if (!t) return false;
    switch (t->type) {
        case Type::Number:
        case Type::String:
        case Type::Parameter:
            return true;
        case Type::Identifier: {
            const QString word = upper(i);
            return !keywords().contains(word) || word == u"END" || word == u"NULL" ||
                   word.startsWith(QStringLiteral("CURRENT_"));
        }
        case Type::Punctuation:
            return t->text == u')';
        case Type::Operator:
            return false;
    }
    return false;
}

// Strips parentheses around the whole range, unless they hold a subquery.
void DialectStatement::Impl::unwrap(qsizetype& begin, qsizetype& end) const {
    while (end - begin >= 2 && isPunct(begin, u'(') && match[begin] == end - 1 &&
           !startsSubquery(begin + 1)) {
        ++begin;
        --end;
    }
}

SelectColumn DialectStatement::Impl::analyzeColumn(qsizetype begin, qsizetype end) const {
    SelectColumn c;
    if (end - begin >= 2) {
        const qsizetype last = end - 1;
        if (isKw(last - 1, "AS") && (isWord(last) || tokens[last].type == Type::String)) {
            c.alias = isWord(last) ? tokens[last].text : tokens[last].value;
            end = last - 1;
        } else if (isName(last) && endsOperand(last - 1)) {
            c.alias = tokens[last].text;
            end = last;
        }
    }
    unwrap(begin, end);
    auto plainColumn = [this, &c](qsizetype b, qsizetype e) {
        if (e - b == 1 && isName(b)) {
            c.column = tokens[b].text;
        } else if (e - b == 3 && isName(b) && isColumnAfterDot(b + 2)) {
            c.qualifier = tokens[b].text;
            c.column = tokens[b + 2].value;
        }
    };
    if (end - begin == 1 && isOp(begin, "*")) {
        c.star = true;
        return c;
    }
    if (end - begin == 3 && isName(begin) && isPunct(begin + 1, u'.') && isOp(begin + 2, "*")) {
        c.star = true;
        c.qualifier = tokens[begin].text;
        return c;
    }
    if (isWord(begin) && isPunct(begin + 1, u'(') && match[begin + 1] == end - 1) {
        if (aggregateNames().contains(upper(begin))) {
            c.function = upper(begin);
            qsizetype b = begin + 2;
            qsizetype e = end - 1;
            if (isKw(b, "DISTINCT")) ++b;
            unwrap(b, e);
            plainColumn(b, e);
        }
        return c;
    }
    plainColumn(begin, end);
    for (qsizetype j = begin; j < end; j = skipGroup(j)) {
        if (isOp(j, "+") || isOp(j, "-") || isOp(j, "*") || isOp(j, "/") || isOp(j, "%")) {
            c.arithmetic = true;
        }
    }
    return c;
}

DialectStatement::DialectStatement(const QString& localSql) : d(std::make_unique<Impl>(localSql)) {}

DialectStatement::~DialectStatement() = default;
DialectStatement::DialectStatement(DialectStatement&&) noexcept = default;
DialectStatement& DialectStatement::operator=(DialectStatement&&) noexcept = default;

StatementKind DialectStatement::kind() const { return d->kind; }

const QList<TableRef>& DialectStatement::tables() const { return d->tables; }

const QStringList& DialectStatement::parameters() const { return d->parameters; }

const QList<SelectColumn>& DialectStatement::selectColumns() const { return d->columns; }

QList<QPair<QString, QString>> DialectStatement::fromAliases() const { return d->aliases; }

QString DialectStatement::keyword() const { return d->upper(d->main); }

QString DialectStatement::render(const std::function<QString(const TableRef&)>& tableSql,
                                 SqlTarget target) const {
    return renderTracking(tableSql, nullptr, target);
}

QPair<int, int> DialectStatement::sourcePosition(
    qsizetype offset, const std::function<QString(const TableRef&)>& tableSql) const {
    if (d->tokens.isEmpty()) return {1, 1};
    QList<qsizetype> starts;
    renderTracking(tableSql, &starts);
    const DialectToken& last = d->tokens.last();
    QPair<int, int> position{last.line, last.column + int(last.text.size())};
    if (offset < 0) return position;
    for (qsizetype i = 0; i < d->tokens.size(); ++i) {
        if (starts[i] < 0 || starts[i] > offset) continue;
        position = {d->tokens[i].line, d->tokens[i].column};
    }
    return position;
}

QString DialectStatement::renderTracking(const std::function<QString(const TableRef&)>& tableSql,
                                         QList<qsizetype>* starts, SqlTarget target) const {
    QString sql;
    qsizetype trimmed = -1;  // blanks the final trim takes off the front
    for (qsizetype i = 0; i < d->tokens.size(); ++i) {
        if (starts) starts->append(-1);
        if (d->dropped[i]) continue;
        const DialectToken& t = d->tokens[i];
        const int span = d->spanAt[i];
        QString piece = d->output[i];
        if (span >= 0) {
            const TableRef& ref = d->spans[span].ref;
            piece = tableSql ? tableSql(ref) : ref.name;
        } else if (target == SqlTarget::Postgres) {
            piece = d->serverPiece(i, piece);
        }
        sql += t.leading;
        // A rewritten token may need a blank to stay apart from its neighbour.
        if (t.leading.isEmpty() && !sql.isEmpty() && !piece.isEmpty() && isWordChar(sql.back()) &&
            isWordChar(piece.front())) {
            sql += u' ';
        }
        if (trimmed < 0) trimmed = sql.size();
        if (starts) starts->last() = sql.size() - trimmed;
        sql += piece;
    }
    return sql.trimmed();
}

}  // namespace orv::db
