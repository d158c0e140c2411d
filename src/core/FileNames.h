#pragma once
// File names as the number lists and the table merge use them.

#include <QString>

namespace orv::core {

// GetClearFName: the file-name part of a path up to, not including, its first dot
// ("/home/op/Lists/firm.2001.lst" gives "firm"; "a.b.c" gives "a"; "noext" gives "noext").
// Both "/" and "\" end a folder name.
QString GetClearFName(const QString& path);

}  // namespace orv::core
