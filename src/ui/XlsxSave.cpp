#include "ui/XlsxSave.h"

#include "core/Error.h"
#include "db/Query.h"
#include "ui/WaitCursor.h"
#include "utils/XlsxExport.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>

namespace orv::ui {

qint64 saveGridAsXlsx(QWidget* parent, const db::Query& query,
                      const QList<core::ViewColumn>& columns, const QString& suggestedName) {
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить в Excel"),
                                                suggestedName + QStringLiteral(".xlsx"),
                                                QStringLiteral("Книга Excel (*.xlsx)"));
    if (path.isEmpty()) return -1;
    if (!utils::isXlsxPath(path)) path += QStringLiteral(".xlsx");

    QProgressDialog progress(QStringLiteral("Сохранение в Excel…"), QStringLiteral("Прервать"), 0,
                             100, parent);
    progress.setWindowTitle(QStringLiteral("Сохранить в Excel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const WaitCursor wait;
    try {
        return utils::writeXlsx(query, columns, path, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? static_cast<int>(done * 100 / total) : 0);
            QApplication::processEvents();
            return !progress.wasCanceled();
        });
    } catch (const Error&) {
        if (progress.wasCanceled()) return -1;
        throw;
    }
}

}  // namespace orv::ui
