#pragma once
// The statements of the billing reports, under their component names.

#include <QStringList>

namespace orv::reports::sql {

// The invoice query: every active account with a debt row in the number range, by number.
// Parameters NumberFrom and NumberTo (integers).
const QStringList& QueryReport();

}  // namespace orv::reports::sql
