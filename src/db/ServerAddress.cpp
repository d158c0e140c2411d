#include "db/ServerAddress.h"

#include "core/Error.h"

#include <QRegularExpression>
#include <QUrl>

namespace orv::db {
namespace {

const QString kScheme = QStringLiteral("postgresql://");

[[noreturn]] void malformed(const QString& text, const QString& why) {
    raise(Error::Kind::Usage,
          QStringLiteral("Неправильный адрес сервера %1: %2. Ожидается "
                         "postgresql://[пользователь@]сервер[:порт]/база[?schema=СХЕМА]")
              .arg(text, why));
}

QString decoded(const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); }

// Letters, digits and '_' only, starting with a letter: a name the server keeps as written in
// lower case, so that no statement needs to quote it.
bool isPlainName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}

}  // namespace

bool ServerAddress::isAddress(const QString& text) {
    return text.startsWith(kScheme, Qt::CaseInsensitive);
}

ServerAddress ServerAddress::parse(const QString& text) {
    if (!isAddress(text)) malformed(text, QStringLiteral("нет postgresql://"));
    QString rest = text.mid(kScheme.size());
    ServerAddress address;
    const int question = rest.indexOf(u'?');
    if (question >= 0) {
        const QString query = rest.mid(question + 1);
        rest.truncate(question);
        for (const QString& option : query.split(u'&', Qt::SkipEmptyParts)) {
            const int eq = option.indexOf(u'=');
            if (eq <= 0 || option.left(eq) != QLatin1String("schema"))
                malformed(text, QStringLiteral("допускается только параметр schema"));
            address.schema = decoded(option.mid(eq + 1));
            if (!isPlainName(address.schema))
                malformed(text, QStringLiteral("имя схемы из латинских букв, цифр и _"));
        }
    }
    const int slash = rest.indexOf(u'/');
    if (slash < 0 || slash == rest.size() - 1) malformed(text, QStringLiteral("не указана база"));
    address.database = decoded(rest.mid(slash + 1));
    QString authority = rest.left(slash);
    const int at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString user = authority.left(at);
        if (user.contains(u':'))
            malformed(text, QStringLiteral("пароль в адресе не хранится, укажите его в ~/.pgpass "
                                           "или в переменной PGPASSWORD"));
        address.user = decoded(user);
        authority = authority.mid(at + 1);
    }
    const int colon = authority.lastIndexOf(u':');
    if (colon >= 0) {
        bool ok = false;
        address.port = authority.mid(colon + 1).toInt(&ok);
        if (!ok || address.port <= 0 || address.port > 65535)
            malformed(text, QStringLiteral("неправильный порт"));
        authority.truncate(colon);
    }
    address.host = decoded(authority);
    if (address.host.isEmpty()) malformed(text, QStringLiteral("не указан сервер"));
    return address;
}

QString ServerAddress::toUrl() const {
    auto encoded = [](const QString& part) {
        return QString::fromUtf8(QUrl::toPercentEncoding(part));
    };
    QString url = kScheme;
    if (!user.isEmpty()) url += encoded(user) + u'@';
    url += encoded(host);
    if (port > 0) url += u':' + QString::number(port);
    url += u'/' + encoded(database);
    if (!schema.isEmpty()) url += QStringLiteral("?schema=") + schema;
    return url;
}

QString ServerAddress::schemaName() const {
    return schema.isEmpty() ? QStringLiteral("public") : schema.toLower();
}

QString ServerAddress::display() const { return host + u'/' + database; }

}  // namespace orv::db
