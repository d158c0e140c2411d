#include "calls/forms/CdrCommands.h"

#include "calls/DialPlan.h"
#include "core/Error.h"
#include "ui/LongWork.h"
#include "ui/WaitCursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace orv::calls {
namespace {

QWidget* withBrowse(QLineEdit* edit, QPushButton* button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
    return row;
}

}  // namespace

TFormCdrImport::TFormCdrImport(QWidget* parent)
    : QDialog(parent),
      format_(new QComboBox(this)),
      file_(new QLineEdit(this)),
      dialPlan_(new QLineEdit(this)),
      again_(new QCheckBox(QStringLiteral("Загрузить &повторно (и то, что уже есть в DESTTAR)"),
                           this)) {
    setObjectName(QStringLiteral("TFormCdrImport"));
    setWindowTitle(QStringLiteral("Загрузка записей АТС"));
    format_->setObjectName(QStringLiteral("ComboBoxFormat"));
    format_->addItems({QStringLiteral("Asterisk (cdr_csv, Master.csv)"),
                       QStringLiteral("FreeSWITCH (mod_cdr_csv)")});
    file_->setObjectName(QStringLiteral("EditFile"));
    dialPlan_->setObjectName(QStringLiteral("EditDialPlan"));
    dialPlan_->setPlaceholderText(QStringLiteral("план набора из папки настроек"));
    again_->setObjectName(QStringLiteral("CheckBoxAgain"));
    auto* browseFile = new QPushButton(QStringLiteral("&Обзор…"), this);
    auto* browsePlan = new QPushButton(QStringLiteral("Об&зор…"), this);
    connect(browseFile, &QPushButton::clicked, this, [this] {
        browse(file_, QStringLiteral("Файл записей АТС"),
               QStringLiteral("Записи АТС (*.csv);;Все файлы (*)"));
    });
    connect(browsePlan, &QPushButton::clicked, this, [this] {
        browse(dialPlan_, QStringLiteral("План набора"),
               QStringLiteral("План набора (*.conf *.txt);;Все файлы (*)"));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Загрузить"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (file_->text().trimmed().isEmpty()) {
            QMessageBox::information(this, windowTitle(), QStringLiteral("Не выбран файл"));
            return;
        }
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Формат:"), format_);
    form->addRow(QStringLiteral("&Файл:"), withBrowse(file_, browseFile));
    form->addRow(QStringLiteral("П&лан набора:"), withBrowse(dialPlan_, browsePlan));
    form->addRow(again_);
    form->addRow(buttons);
    resize(560, sizeHint().height());
}

void TFormCdrImport::browse(QLineEdit* edit, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(this, title, edit->text(), filter);
    if (!path.isEmpty()) edit->setText(path);
}

CdrRequest TFormCdrImport::request() const {
    return {format_->currentIndex() == 0 ? CdrFormat::Asterisk : CdrFormat::FreeSwitch,
            file_->text().trimmed(), dialPlan_->text().trimmed(), again_->isChecked()};
}

CdrCommands::CdrCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      unbilled_(window.tarifStandard()),
      model_(new ui::QueryModel(unbilled_.query(), unbilledInfo().columns, QLocale(), this)) {
    setObjectName(QStringLiteral("CdrCommands"));
}

QString CdrCommands::importCdr(const CdrRequest& request) {
    const DialPlan plan =
        DialPlan::read(request.dialPlan.isEmpty() ? DialPlan::defaultPath() : request.dialPlan);
    CdrSummary summary;
    // The status panel shows the progress and gets its text back on every way out.
    struct RestoreStatus {
        ui::MainWindowHost& window;
        QString text;
        ~RestoreStatus() { window.setStatusText(0, text); }
    } restore{window_, window_.statusText(0)};
    ui::LongWork::run(
        window_,
        [&request, &plan, &summary](db::Database& own, ui::LongWork::Progress& progress) {
            QFile file(request.file);
            if (!file.open(QIODevice::ReadOnly))
                raise(Error::Kind::Refused, QStringLiteral("Не удалось открыть файл %1: %2")
                                                .arg(request.file, file.errorString()));
            DialPlan withCodes = plan;
            withCodes.readCodes(own);
            summary = calls::importCdr(own, file, request.format, withCodes, request.again,
                                       [&progress](int percent) { progress.report(percent, {}); });
        },
        [this](int percent, const QString&) {
            window_.setStatusText(0, QStringLiteral("Загрузка записей АТС: %1%").arg(percent));
        });
    return cdrSummaryText(summary);
}

void CdrCommands::NImportCdrClick() {
    TFormCdrImport dialog(window_.widget());
    if (dialog.exec() != QDialog::Accepted) return;
    const QString summary = importCdr(dialog.request());
    QMessageBox::information(window_.widget(), dialog.windowTitle(), summary);
}

void CdrCommands::DropUnbilledClick() {
    const UnbilledInfo& info = unbilledInfo();
    window_.freeGrid();
    {
        const ui::WaitCursor wait;
        window_.setRazg(info.caption, info.hint, [this] { DropUnbilledClick(); });
        unbilled_.query().close();
        model_->refresh();
        unbilled_.open();
    }
    model_->refresh();
    window_.bindGrid(model_, info.dataSource, [this] {
        unbilled_.query().close();
        unbilled_.query().unprepare();
        model_->refresh();
    });
    window_.setStatusText(
        0, QStringLiteral("Всего: ") + QString::number(unbilled_.query().recordCount()));
}

CdrCommands& installCdrCommands(ui::MainWindowHost& window) {
    auto* commands = new CdrCommands(window);
    window.connectCommand(ui::Command::NImportCdr, [commands] { commands->NImportCdrClick(); });
    window.connectCommand(ui::Command::DropUnbilled, [commands] { commands->DropUnbilledClick(); });
    return *commands;
}

}  // namespace orv::calls
