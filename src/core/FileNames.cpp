#include "core/FileNames.h"

#include <algorithm>

namespace orv::core {

QString GetClearFName(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')),
                                     path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

}  // namespace orv::core
