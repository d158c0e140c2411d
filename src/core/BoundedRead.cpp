#include "core/BoundedRead.h"

#include "core/Error.h"

namespace orv::core {

QByteArray readAtMost(QFile& file, qint64 limit, const QString& what) {
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        raise(Error::Kind::Refused, QStringLiteral("%1 %2 больше %3 МБ; файл не прочитан")
                                        .arg(what, file.fileName())
                                        .arg(limit / kMegabyte));
    return bytes;
}

}  // namespace orv::core
