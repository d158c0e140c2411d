// Test child for the transaction atomicity tests. It updates two table files in one transaction
// (or, with "copy", replaces the result table Res by a copy of DolgTb) and is killed by SIGKILL
// at the N-th file write, sync, truncate or delete that SQLite makes (N from the environment
// variable ORVANTA_TEST_KILL_AT_IO), through a counting wrapper around SQLite's default file
// system. Usage: tx_crash_child FOLDER NEWVALUE [copy]

#include "db/BatchMove.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <csignal>
#include <cstdlib>

namespace {

sqlite3_vfs* g_real = nullptr;
long g_killAt = 0;
long g_count = 0;

void countIo() {
    if (g_killAt > 0 && ++g_count >= g_killAt) std::raise(SIGKILL);
}

struct CountingFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* realOf(sqlite3_file* f) { return reinterpret_cast<CountingFile*>(f)->real; }

int xClose(sqlite3_file* f) { return realOf(f)->pMethods->xClose(realOf(f)); }
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
    return realOf(f)->pMethods->xRead(realOf(f), b, n, o);
}
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    countIo();
    return realOf(f)->pMethods->xWrite(realOf(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    countIo();
    return realOf(f)->pMethods->xTruncate(realOf(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    countIo();
    return realOf(f)->pMethods->xSync(realOf(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* s) {
    return realOf(f)->pMethods->xFileSize(realOf(f), s);
}
int xLock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xLock(realOf(f), l); }
int xUnlock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xUnlock(realOf(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* r) {
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), r);
}
int xFileControl(sqlite3_file* f, int op, void* a) {
    return realOf(f)->pMethods->xFileControl(realOf(f), op, a);
}
int xSectorSize(sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); }
int xDeviceCharacteristics(sqlite3_file* f) {
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}

const sqlite3_io_methods kMethods = {1,
                                     xClose,
                                     xRead,
                                     xWrite,
                                     xTruncate,
                                     xSync,
                                     xFileSize,
                                     xLock,
                                     xUnlock,
                                     xCheckReservedLock,
                                     xFileControl,
                                     xSectorSize,
                                     xDeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* wrapper = reinterpret_cast<CountingFile*>(file);
    wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
    const int rc = g_real->xOpen(g_real, name, wrapper->real, flags, outFlags);
    wrapper->base.pMethods = wrapper->real->pMethods ? &kMethods : nullptr;
    return rc;
}

int vfsDelete(sqlite3_vfs*, const char* name, int syncDir) {
    countIo();
    return g_real->xDelete(g_real, name, syncDir);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) return 2;
    g_real = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs counting = *g_real;
    counting.zName = "counting";
    counting.szOsFile = static_cast<int>(sizeof(CountingFile)) + g_real->szOsFile;
    counting.xOpen = vfsOpen;
    counting.xDelete = vfsDelete;
    sqlite3_vfs_register(&counting, 1);
    g_killAt = std::atol(qgetenv("ORVANTA_TEST_KILL_AT_IO").constData());

    orv::db::Database db(QStringLiteral("TarifStandard"), QString::fromLocal8Bit(argv[1]));
    const double value = std::atof(argv[2]);
    if (argc == 4) {
        orv::db::Query copy(db, QStringLiteral("SELECT AbNumber, Dolg FROM DolgTb"));
        orv::db::batchMove(copy, QStringLiteral("Res"));
        return 0;
    }
    orv::db::Transaction transaction(db, {QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
    orv::db::Query dolg(db, QStringLiteral("UPDATE DolgTb.db SET Dolg = :V"));
    dolg.setFloat(QStringLiteral("V"), value);
    dolg.execute();
    orv::db::Query pane(db, QStringLiteral("UPDATE PaneDate.DB SET Pane = :V"));
    pane.setFloat(QStringLiteral("V"), value);
    pane.execute();
    transaction.commit();
    return 0;
}
