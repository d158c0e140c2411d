// repair_screenshot: renders the verify and rebuild window after a rebuild of a damaged DESTTAR
// into a PNG for the documentation. Not a test; run it under a real display (Xvfb):
//
//   repair_screenshot STANDARD_DIR OUTPUT.png
//
// STANDARD_DIR must hold a DESTTAR (orvanta-cli demo); its interior pages are zeroed first.

#include "db/Aliases.h"
#include "repair/forms/RepairForm.h"

#include <sqlite3.h>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <cstdio>

namespace {

// Zeroes the interior pages of the table's b-tree, as a power cut in the middle of a write may.
void damage(const QString& path) {
    std::vector<int> pages;
    sqlite3* h = nullptr;
    sqlite3_open(path.toUtf8().constData(), &h);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(h,
                       "SELECT pageno FROM dbstat WHERE name = 'DESTTAR' AND pagetype = 'internal'",
                       -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) pages.push_back(sqlite3_column_int(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(h);
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    for (int page : pages) {
        f.seek(qint64(page - 1) * 4096);
        f.write(QByteArray(4096, '\0'));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: repair_screenshot STANDARD_DIR OUTPUT.png\n");
        return 2;
    }
    orv::db::Aliases aliases;
    aliases.bindForRun(QLatin1String(orv::db::kStandardAlias), args[1]);
    damage(args[1] + QStringLiteral("/DESTTAR.db"));
    orv::repair::TMainFormRepair form(aliases);
    form.show();
    auto* alias = form.findChild<QComboBox*>(QStringLiteral("AliasCombo"));
    alias->setCurrentIndex(alias->findText(QLatin1String(orv::db::kStandardAlias)));
    emit alias->activated(alias->currentIndex());
    auto* table = form.findChild<QComboBox*>(QStringLiteral("TableCombo"));
    table->setCurrentIndex(table->findText(QStringLiteral("DESTTAR.db")));
    emit table->activated(table->currentIndex());
    form.findChild<QPushButton*>(QStringLiteral("RebuildBtn"))->click();
    app.processEvents();
    return form.grab().save(args[2]) ? 0 : 1;
}
