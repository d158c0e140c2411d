#include "utils/forms/TableCommands.h"

#include "core/Error.h"
#include "ui/QueryModel.h"
#include "ui/WaitCursor.h"
#include "utils/forms/ExportDialog.h"
#include "utils/forms/OpenTableDialog.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TableEditor.h"

#include <QShortcut>
#include <optional>

namespace orv::utils {
namespace {

const QString kDataSourceQuery = QStringLiteral("DataSourceQuery");
constexpr int kTableEditorHelp = 600;

QList<core::ViewColumn> columnsOf(const db::Query& query) {
    QList<core::ViewColumn> columns;
    if (!query.isOpen()) return columns;
    for (const db::FieldDef& f : query.fields()) columns.append({f.name, f.name});
    return columns;
}

}  // namespace

TableCommands::TableCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      form7_(new TForm7(window.aliases(), window.widget())),
      form3_(new TForm3(
          [this](const QStringList& lines) {
              db::Query& query = form7_->Query1();
              query.close();
              query.setSql(lines);
              form7_->connectedIn();
              query.execute();
          },
          [this](const QString& alias) { form7_->rebindIn(alias); },
          [this] { window_.showHelpPage(QStringLiteral("sql.html")); }, window.widget())),
      query2_(window.tarifStandard()) {
    setObjectName(QStringLiteral("TableCommands"));
    form7_->setSqlWindow(form3_);
    // F1 in the table editor opens its topic, in the SQL window the SQL page, above the window.
    connect(new QShortcut(QKeySequence::HelpContents, form7_), &QShortcut::activated, this,
            [this] { window_.showHelp(kTableEditorHelp); });
    connect(new QShortcut(QKeySequence::HelpContents, form3_), &QShortcut::activated, this,
            [this] { window_.showHelpPage(QStringLiteral("sql.html")); });
}

void TableCommands::fillAliasSelectors() {
    const QStringList names = window_.aliases().names();
    const QString standard = QLatin1String(db::kStandardAlias);
    form7_->Form9()->setAliases(names, standard);
    form7_->Form10()->setAliases(names, standard);
    form3_->setAliases(names, standard);
}

void TableCommands::ToolButtonTableEditClick() { form7_->exec(); }

// The grid on DataSourceQuery with what Query2 holds now (nothing when it is closed).
void TableCommands::bindQuery2() {
    ui::QueryModel* old = model2_;
    model2_ = new ui::QueryModel(query2_, columnsOf(query2_), QLocale(), this);
    ui::QueryModel* model = model2_;
    window_.bindGrid(model, kDataSourceQuery, [this, model] {
        query2_.close();
        model->refresh();
    });
    delete old;
}

void TableCommands::BitBtnBrowseSQLClick() {
    const int result = form3_->exec();
    if (result == TForm3::Ok) {
        if (!window_.gridDataSource().isEmpty()) window_.freeGrid();
        query2_.close();
        query2_.setSql(form3_->lines());
        std::optional<QString> failure;
        {
            const ui::WaitCursor wait;
            bindQuery2();
            try {
                query2_.open();
                bindQuery2();
                window_.setStatusText(
                    0, QStringLiteral("Всего: ") + QString::number(query2_.recordCount()));
            } catch (const Error& e) {
                failure = e.message();
            }
        }
        if (failure) showWrongSet(window_.widget(), *failure);
    } else if (result == TForm3::Retry) {
        query2_.close();
        query2_.setSql(form3_->lines());
        const ui::WaitCursor wait;
        if (window_.gridDataSource() == kDataSourceQuery) window_.freeGrid();
    }
}

TableCommands& installTableCommands(ui::MainWindowHost& window) {
    auto* commands = new TableCommands(window);
    window.connectCommand(ui::Command::N1, [commands] { commands->ToolButtonTableEditClick(); });
    window.connectCommand(ui::Command::ToolButtonBrowseSQL,
                          [commands] { commands->BitBtnBrowseSQLClick(); });
    window.addShowStep([commands] { commands->fillAliasSelectors(); });
    return *commands;
}

}  // namespace orv::utils
