#include "billing/forms/BankImportDialog.h"

#include "core/BoundedRead.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "ui/GridColumns.h"
#include "ui/Guarded.h"
#include "ui/LongWork.h"
#include "ui/MainWindowHost.h"
#include "ui/WaitCursor.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orv::billing {
namespace {

using Heap = PlannedDocument::Heap;
constexpr qint64 kStatementLimit = 256 * core::kMegabyte;

BankStatement readStatementFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось открыть файл %1: %2").arg(path, file.errorString()));
    return readBankStatement(core::readAtMost(file, kStatementLimit, QStringLiteral("Выписка")));
}

QString outcomeText(const PlannedDocument& planned, bool posted) {
    switch (planned.heap) {
        case Heap::Matched:
            return QStringLiteral("%1: %2, %3")
                .arg(posted ? QStringLiteral("Проведен") : QStringLiteral("К проведению"))
                .arg(planned.number)
                .arg(planned.category);
        case Heap::Duplicate:
            return QStringLiteral("Повтор: ") + planned.reason;
        case Heap::Unmatched:
            break;
    }
    return QStringLiteral("Не разнесен: ") + planned.reason;
}

}  // namespace

TFormBankImport::TFormBankImport(ui::MainWindowHost& window, const QString& path,
                                 const QString& ourAccount)
    : QDialog(window.widget()),
      window_(window),
      ourAccount_(ourAccount),
      statement_(readStatementFile(path)),
      summary_(new QLabel(this)),
      grid_(new QTableWidget(this)),
      progress_(new QProgressBar(this)),
      post_(new QPushButton(QStringLiteral("&Провести"), this)) {
    {
        const ui::WaitCursor wait;
        plan_ = planBankImport(window.tarifStandard(), statement_, QFileInfo(path).fileName(),
                               ourAccount_);
    }
    setObjectName(QStringLiteral("FormBankImport"));
    setWindowTitle(QStringLiteral("Загрузка выписки банка: %1").arg(plan_.fileName));
    summary_->setObjectName(QStringLiteral("LabelSummary"));
    summary_->setWordWrap(true);
    grid_->setObjectName(QStringLiteral("GridDocuments"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->setVisible(false);
    grid_->setColumnCount(6);
    grid_->setHorizontalHeaderLabels({QStringLiteral("Номер"), QStringLiteral("Дата"),
                                      QStringLiteral("Сумма"), QStringLiteral("Плательщик"),
                                      QStringLiteral("Назначение платежа"),
                                      QStringLiteral("Итог")});
    grid_->setRowCount(static_cast<int>(plan_.documents.size()));
    for (int row = 0; row < plan_.documents.size(); ++row) {
        const BankDocument& doc = plan_.documents[row].doc;
        const QStringList texts = {doc.number,
                                   doc.date.toString(u"dd.MM.yyyy"),
                                   doc.amount.toCurrencyString(QLocale()),
                                   doc.payerName,
                                   doc.purpose,
                                   {}};
        for (int col = 0; col < texts.size(); ++col)
            grid_->setItem(row, col, new QTableWidgetItem(texts[col]));
        grid_->item(row, 2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    post_->setObjectName(QStringLiteral("ButtonPost"));
    connect(post_, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { ButtonPostClick(); }); });
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(post_, QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(grid_, 1);
    layout->addWidget(progress_);
    layout->addWidget(buttons);
    resize(980, 560);
    showPlan(false);
    ui::fitColumns(grid_);
}

void TFormBankImport::showPlan(bool posted) {
    summary_->setText(planSummary(plan_, posted));
    for (int row = 0; row < plan_.documents.size(); ++row)
        grid_->item(row, 5)->setText(outcomeText(plan_.documents[row], posted));
    post_->setEnabled(!posted && plan_.matched > 0);
}

void TFormBankImport::ButtonPostClick() {
    const QDate today = orv::today();
    ImportPlan posted;
    ui::LongWork::run(
        window_,
        [&](db::Database& own, ui::LongWork::Progress& progress) {
            posted =
                postBankImport(own, statement_, plan_.fileName, ourAccount_, today,
                               [&progress](int done, int total) {
                                   progress.report(total ? done * 100 / total : 100, QString());
                               });
        },
        [this](int percent, const QString&) { progress_->setValue(percent); });
    progress_->setValue(100);
    plan_ = posted;
    showPlan(true);
}

}  // namespace orv::billing
