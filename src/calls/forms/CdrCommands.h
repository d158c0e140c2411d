#pragma once
// The main window's commands for the exchange's own records: "Загрузка записей АТС…"
// (NImportCdr) appends an Asterisk or FreeSWITCH call detail file to DESTTAR through the dial
// plan and reports what it took and skipped; "Нетарифицированные" (DropUnbilled) shows the calls
// no tariff prices, with the reason, and their count in status panel 0, relabelling
// ToolButtonRazg like the other views.
//
// TFormCdrImport asks for the format, the file, the dial plan (the config folder's by default)
// and whether to load again. The import runs on a worker thread with its own connection
// (ui::LongWork), its progress in status panel 0; its error is shown by the window's runCommand
// and changes nothing.

#include "calls/CdrImport.h"
#include "calls/Unbilled.h"
#include "ui/MainWindowHost.h"
#include "ui/QueryModel.h"

#include <QDialog>
#include <QObject>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace orv::calls {

struct CdrRequest {
    CdrFormat format = CdrFormat::Asterisk;
    QString file;
    QString dialPlan;
    bool again = false;
};

class TFormCdrImport : public QDialog {
    Q_OBJECT

  public:
    explicit TFormCdrImport(QWidget* parent = nullptr);
    CdrRequest request() const;

  private:
    void browse(QLineEdit* edit, const QString& title, const QString& filter);

    QComboBox* format_;
    QLineEdit* file_;
    QLineEdit* dialPlan_;
    QCheckBox* again_;
};

class CdrCommands : public QObject {
    Q_OBJECT

  public:
    explicit CdrCommands(ui::MainWindowHost& window);

    void NImportCdrClick();
    void DropUnbilledClick();
    // The import itself; returns the summary for the operator.
    QString importCdr(const CdrRequest& request);

    UnbilledView& unbilled() { return unbilled_; }
    ui::QueryModel* model() const { return model_; }

  private:
    ui::MainWindowHost& window_;
    UnbilledView unbilled_;
    ui::QueryModel* model_;
};

// Creates the commands' object as a child of the window and connects NImportCdr and
// DropUnbilled.
CdrCommands& installCdrCommands(ui::MainWindowHost& window);

}  // namespace orv::calls
