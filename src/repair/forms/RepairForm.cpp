#include "repair/forms/RepairForm.h"

#include "core/Error.h"
#include "db/Database.h"
#include "repair/RepairActions.h"
#include "repair/forms/AboutForm.h"
#include "ui/ErrorBox.h"
#include "ui/Guarded.h"
#include "ui/LongWork.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::repair {
namespace {

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QLatin1String(name));
    label->setStyleSheet(QStringLiteral("color: navy;"));
    label->setMinimumWidth(60);
    return label;
}

QProgressBar* bar(QWidget* parent, const char* name) {
    auto* b = new QProgressBar(parent);
    b->setObjectName(QLatin1String(name));
    b->setRange(0, 100);
    b->setValue(0);
    return b;
}

QString openTableFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setNameFilter(QStringLiteral("DB Files (*.db *.DB *.Db)"));
    dialog.setDefaultSuffix(QStringLiteral("db"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

TMainFormRepair::TMainFormRepair(const db::Aliases& aliases, QWidget* parent)
    : QDialog(parent), aliases_(aliases), chooseFile_(openTableFile) {
    setObjectName(QStringLiteral("MainFormRepair"));
    setWindowTitle(QStringLiteral("Table Utility ( As Is )"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAutoFillBackground(true);
    QPalette teal = palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    teal.setColor(QPalette::WindowText, Qt::white);
    setPalette(teal);

    auto* select = new QGroupBox(QStringLiteral(" Select Table Directory and File: "), this);
    AliasCombo = new QComboBox(select);
    AliasCombo->setObjectName(QStringLiteral("AliasCombo"));
    TableCombo = new QComboBox(select);
    TableCombo->setObjectName(QStringLiteral("TableCombo"));
    ByDirectBtn = new QPushButton(QStringLiteral("By Directory..."), select);
    ByDirectBtn->setObjectName(QStringLiteral("ByDirectBtn"));
    TableLocEdit = new QLineEdit(select);
    TableLocEdit->setObjectName(QStringLiteral("TableLocEdit"));
    TableLocEdit->setReadOnly(true);
    TableLocEdit->setMinimumWidth(420);
    auto* sg = new QGridLayout(select);
    sg->addWidget(new QLabel(QStringLiteral("Alias Name:"), select), 0, 0);
    sg->addWidget(AliasCombo, 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("Table Name:"), select), 1, 0);
    sg->addWidget(TableCombo, 1, 1);
    sg->addWidget(ByDirectBtn, 1, 2);
    sg->addWidget(new QLabel(QStringLiteral("Table Location:"), select), 2, 0);
    sg->addWidget(TableLocEdit, 2, 1, 1, 2);

    auto* info = new QGroupBox(QStringLiteral(" Table Information and Action: "), this);
    FieldsLB = valueLabel(info, "FieldsLB");
    RecSizeLB = valueLabel(info, "RecSizeLB");
    IndexLB = valueLabel(info, "IndexLB");
    ValidLB = valueLabel(info, "ValidLB");
    RefLB = valueLabel(info, "RefLB");
    RestructLB = valueLabel(info, "RestructLB");
    AuxPassLB = valueLabel(info, "AuxPassLB");
    CodePageLB = valueLabel(info, "CodePageLB");
    BlockSizeLB = valueLabel(info, "BlockSizeLB");
    TabLvlLB = valueLabel(info, "TabLvlLB");
    const std::pair<const char*, QLabel*> rows[] = {
        {"Fields:", FieldsLB},         {"Record Size:", RecSizeLB},
        {"Indexes:", IndexLB},         {"Validities:", ValidLB},
        {"References:", RefLB},        {"Restructure Version:", RestructLB},
        {"Aux Passwords:", AuxPassLB}, {"Code Page:", CodePageLB},
        {"Block Size:", BlockSizeLB},  {"Table Level:", TabLvlLB}};
    auto* ig = new QGridLayout(info);
    for (int i = 0; i < 10; ++i) {
        ig->addWidget(new QLabel(QLatin1String(rows[i].first), info), i % 5, (i / 5) * 2);
        ig->addWidget(rows[i].second, i % 5, (i / 5) * 2 + 1);
    }
    VerifyBtn = new QPushButton(QStringLiteral("Verify"), info);
    VerifyBtn->setObjectName(QStringLiteral("VerifyBtn"));
    RebuildBtn = new QPushButton(QStringLiteral("Rebuild"), info);
    RebuildBtn->setObjectName(QStringLiteral("RebuildBtn"));
    ig->addWidget(VerifyBtn, 1, 4);
    ig->addWidget(RebuildBtn, 3, 4);

    auto* status = new QGroupBox(QStringLiteral(" Status: "), this);
    PBHeader = bar(status, "PBHeader");
    PBIndexes = bar(status, "PBIndexes");
    PBData = bar(status, "PBData");
    PBRebuild = bar(status, "PBRebuild");
    MessageLB = new QLabel(status);
    MessageLB->setObjectName(QStringLiteral("MessageLB"));
    MessageLB->setStyleSheet(QStringLiteral("color: navy;"));
    auto* tg = new QGridLayout(status);
    const std::pair<const char*, QProgressBar*> bars[] = {
        {"Header:", PBHeader}, {"Indexes:", PBIndexes}, {"Data:", PBData}, {"Rebuild:", PBRebuild}};
    for (int i = 0; i < 4; ++i) {
        tg->addWidget(new QLabel(QLatin1String(bars[i].first), status), i, 0);
        tg->addWidget(bars[i].second, i, 1);
    }
    tg->addWidget(new QLabel(QStringLiteral("Message:"), status), 4, 0);
    tg->addWidget(MessageLB, 4, 1);
    for (QGroupBox* group : {select, info, status}) {
        group->setAutoFillBackground(true);
        QPalette grey = group->palette();
        grey.setColor(QPalette::Window, QColor(192, 192, 192));
        grey.setColor(QPalette::WindowText, Qt::black);
        group->setPalette(grey);
    }

    ExitBtn = new QPushButton(QStringLiteral("Exit"), this);
    ExitBtn->setObjectName(QStringLiteral("ExitBtn"));
    AboutBtn = new QPushButton(QStringLiteral("About"), this);
    AboutBtn->setObjectName(QStringLiteral("AboutBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ExitBtn);
    buttons->addWidget(AboutBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(select);
    layout->addWidget(info);
    layout->addWidget(status);
    layout->addLayout(buttons);

    connect(AliasCombo, &QComboBox::activated, this,
            [this] { ui::guarded(this, [this] { AliasComboChange(); }); });
    connect(TableCombo, &QComboBox::activated, this,
            [this] { ui::guarded(this, [this] { TableComboChange(); }); });
    connect(ByDirectBtn, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { ByDirectBtnClick(); }); });
    connect(VerifyBtn, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { VerifyBtnClick(); }); });
    connect(RebuildBtn, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { RebuildBtnClick(); }); });
    connect(ExitBtn, &QPushButton::clicked, this, &TMainFormRepair::ExitBtnClick);
    connect(AboutBtn, &QPushButton::clicked, this, &TMainFormRepair::AboutBtnClick);
    FormCreate();
    setFixedSize(sizeHint());
}

TMainFormRepair::~TMainFormRepair() = default;

void TMainFormRepair::FormCreate() {
    ui::guarded(this, [this] { FillAliasList(); });
    ClearTableLocation();
    try {
        tableUtil_ = std::make_unique<TTableUtil>();
        tableUtil_->setProgressSink([this](int phase, int percent) {
            QMetaObject::invokeMethod(
                this, [this, phase, percent] { setBar(phase, percent); }, Qt::QueuedConnection);
        });
    } catch (const Error& e) {
        libraryError_ = e.message();
        ui::showErrorBox(this, libraryError_);
    }
}

TTableUtil& TMainFormRepair::util() {
    if (!tableUtil_) orv::raise(Error::Kind::Engine, libraryError_);
    return *tableUtil_;
}

void TMainFormRepair::FillAliasList() {
    AliasCombo->clear();
    for (const QString& name : aliases_.names())
        if (aliases_.alias(name).type == QLatin1String("STANDARD")) AliasCombo->addItem(name);
    AliasCombo->setCurrentIndex(-1);
}

void TMainFormRepair::ClearStatus() {
    MessageLB->clear();
    for (QProgressBar* b : {PBHeader, PBIndexes, PBData, PBRebuild}) b->setValue(0);
}

void TMainFormRepair::ZeroTableInfo() {
    for (QLabel* l : {FieldsLB, RecSizeLB, IndexLB, ValidLB, RefLB, RestructLB, AuxPassLB,
                      CodePageLB, BlockSizeLB, TabLvlLB})
        l->setText(QStringLiteral("0"));
}

void TMainFormRepair::ClearTableLocation() {
    TableLocEdit->clear();
    VerifyBtn->setEnabled(false);
    RebuildBtn->setEnabled(false);
}

void TMainFormRepair::SetTableLocation(const QString& path) {
    TableLocEdit->setText(path);
    VerifyBtn->setEnabled(true);
    RebuildBtn->setEnabled(true);
}

void TMainFormRepair::SelectAliasTable() {
    const QString folder = aliases_.path(AliasCombo->currentText());
    SetTableLocation(
        QDir::toNativeSeparators(folder + QLatin1Char('/') + TableCombo->currentText()));
    ClearStatus();
    ShowTableInfo();
}

void TMainFormRepair::ShowTableInfo() {
    if (!tableUtil_ || !tableUtil_->FillTableProps(TableLocEdit->text())) return;
    const CURProps& p = tableUtil_->TableProps;
    const std::pair<QLabel*, int> values[] = {
        {FieldsLB, p.iFields},     {RecSizeLB, p.iRecBufSize}, {IndexLB, p.iIndexes},
        {ValidLB, p.iValChecks},   {RefLB, p.iRefIntChecks},   {RestructLB, p.iRestrVersion},
        {AuxPassLB, p.iPasswords}, {CodePageLB, p.iCodePage},  {BlockSizeLB, p.iBlockSize},
        {TabLvlLB, p.iTblLevel}};
    for (const auto& [label, value] : values) label->setText(QString::number(value));
}

void TMainFormRepair::AliasComboChange() {
    TableCombo->clear();
    const db::Database session(QStringLiteral("Session1"),
                               aliases_.path(AliasCombo->currentText()));
    TableCombo->addItems(session.tableFileNames());
    TableCombo->setCurrentIndex(-1);
    ClearStatus();
    ZeroTableInfo();
    ClearTableLocation();
}

void TMainFormRepair::TableComboChange() { SelectAliasTable(); }

void TMainFormRepair::ByDirectBtnClick() {
    const QString path = chooseFile_(this);
    if (path.isEmpty()) return;
    SetTableLocation(QFileInfo(path).absoluteFilePath());
    AliasCombo->setCurrentIndex(-1);
    TableCombo->clear();
    ClearStatus();
    ShowTableInfo();
}

void TMainFormRepair::setBar(int phase, int percent) {
    switch (phase) {
        case kPhaseHeader:
            PBHeader->setValue(percent);
            break;
        case kPhaseIndexes:
            PBIndexes->setValue(percent);
            break;
        case kPhaseData:
            PBData->setValue(percent);
            break;
        case kPhaseRebuild:
            PBRebuild->setValue(percent);
            break;
        default:
            break;
    }
}

void TMainFormRepair::VerifyBtnClick() {
    ClearStatus();
    const QString path = TableLocEdit->text();
    TTableUtil& library = util();
    std::optional<qint32> status;
    ui::LongWork::runOffThread(this, [&] { status = runVerification(library, path); });
    MessageLB->setText(verificationMessage(status));
}

void TMainFormRepair::RebuildBtnClick() {
    ClearStatus();
    const QString path = TableLocEdit->text();
    TTableUtil& library = util();
    RebuildEnd end = RebuildEnd::NoCounts;
    ui::LongWork::runOffThread(this, [&] { end = runRebuild(library, path); });
    if (end == RebuildEnd::Rebuilt || end == RebuildEnd::RowsLost) replaced_ = true;
    if (end == RebuildEnd::DescriptorFailed)
        QMessageBox::critical(this, QStringLiteral("Error"), QLatin1String(kDescriptorError));
    else
        MessageLB->setText(rebuildMessage(end));
}

void TMainFormRepair::ExitBtnClick() { close(); }

void TMainFormRepair::AboutBtnClick() {
    TAboutForm about(this);
    about.exec();
}

}  // namespace orv::repair
