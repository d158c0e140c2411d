#include "reports/forms/CallStatementDialog.h"

#include "billing/CallArchive.h"
#include "billing/CallStatement.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "reports/CallStatementReport.h"
#include "reports/forms/PreviewWindow.h"
#include "ui/ErrorBox.h"
#include "ui/LongWork.h"
#include "ui/QueryModel.h"
#include "ui/WaitCursor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

namespace orv::reports {
namespace {

QLineEdit* numberEdit(const QString& name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(7);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,7}")), edit));
    return edit;
}

// The subscriber number of the grid's current row; empty when the grid shows none.
QString currentNumber(ui::MainWindowHost& window) {
    const auto* model = qobject_cast<const ui::QueryModel*>(window.grid()->model());
    const QModelIndex current = window.grid()->currentIndex();
    if (!model || !current.isValid() || !model->query().isOpen()) return {};
    if (model->query().fieldIndex(QStringLiteral("AbNumber")) < 0) return {};
    const QVariant number = model->query().value(current.row(), QStringLiteral("AbNumber"));
    return number.isNull() ? QString() : number.toString();
}

}  // namespace

TFormCallStatement::TFormCallStatement(const QList<QDate>& months, const QString& numberFrom,
                                       const QString& numberTo, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormCallStatement"));
    setWindowTitle(billing::kStatementTitle);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    editFrom_ = numberEdit(QStringLiteral("EditNumberFrom"), numberFrom, this);
    editTo_ = numberEdit(QStringLiteral("EditNumberTo"), numberTo, this);
    monthBox_ = new QComboBox(this);
    monthBox_->setObjectName(QStringLiteral("ComboBoxMonth"));
    for (const QDate& m : months) monthBox_->addItem(m.toString(QStringLiteral("MM.yyyy")), m);
    monthBox_->setCurrentIndex(int(months.size()) - 1);
    form->addRow(QStringLiteral("Номер &с:"), editFrom_);
    form->addRow(QStringLiteral("Номер &по:"), editTo_);
    form->addRow(QStringLiteral("&Месяц:"), monthBox_);
    layout->addLayout(form);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Показать"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormCallStatement::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    editFrom_->setFocus();
    // Wide enough for the whole title in the window's frame.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2);
}

QDate TFormCallStatement::month() const { return monthBox_->currentData().toDate(); }

void TFormCallStatement::OkClick() {
    const QString from = editFrom_->text();
    const QString to = editTo_->text().isEmpty() ? from : editTo_->text();
    if (from.isEmpty()) {
        ui::showErrorBox(this, QStringLiteral("Введите номер абонента"));
        editFrom_->setFocus();
        return;
    }
    if (from.toLongLong() > to.toLongLong()) {
        ui::showErrorBox(this, QStringLiteral("Номер «с» больше номера «по»"));
        editTo_->setFocus();
        return;
    }
    from_ = from.toLongLong();
    to_ = to.toLongLong();
    accept();
}

void showCallStatement(ui::MainWindowHost& window) {
    QList<QDate> months;
    {
        const ui::WaitCursor wait;
        for (const billing::ArchiveMonth& m : billing::listArchive(window.tarifStandard()))
            months.append(m.month);
    }
    if (months.isEmpty())
        raise(Error::Kind::Refused, QStringLiteral("В архиве разговоров нет месяцев"));
    QString from = currentNumber(window);
    QString to = from;
    if (from.isEmpty() && window.selection().byNumber) {
        from = window.selection().numberFrom.trimmed();
        to = window.selection().numberTo.trimmed();
    }
    TFormCallStatement dialog(months, from, to, window.widget());
    if (dialog.exec() != QDialog::Accepted) return;
    const int freeMinutes = core::readSettings(window.settingsStore()).freeMinutes;
    billing::CallStatement statement;
    ui::LongWork::run(window, [&](db::Database& own, ui::LongWork::Progress&) {
        statement = billing::buildCallStatement(own, dialog.numberFrom(), dialog.numberTo(),
                                                dialog.month(), freeMinutes);
    });
    const CallStatementData data(statement);
    const ReportLayout layout = callStatementLayout(statement);
    ReportPreview preview(layout, &data, billing::kStatementTitle, window.widget());
    preview.exec();
}

}  // namespace orv::reports
