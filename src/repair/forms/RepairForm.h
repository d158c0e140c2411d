#pragma once
// TMainFormRepair: the window that verifies and rebuilds a table with the table-repair library.
// The table is picked through an alias and a table name or directly as a file; the window shows
// its ten properties, runs verification and rebuild off its own thread (the four progress bars
// move and the window repaints meanwhile; user input waits until the call is done) and reports
// the outcome on its message line. Created once with the main window; it owns the TTableUtil and
// keeps its selections between openings. When the library cannot be opened at creation, the
// error is shown and "Verify" and "Rebuild" refuse with the library's message.

#include "db/Aliases.h"
#include "repair/TableUtil.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orv::repair {

class TMainFormRepair : public QDialog {
    Q_OBJECT

  public:
    TMainFormRepair(const db::Aliases& aliases, QWidget* parent = nullptr);
    ~TMainFormRepair() override;

    // Test seam: what "By Directory..." asks for instead of the file dialog (empty = cancel).
    void setFileChooser(std::function<QString(QWidget*)> chooser) {
        chooseFile_ = std::move(chooser);
    }
    // True once a rebuild replaced a table (the callers then read their tables anew).
    bool tableReplaced() const { return replaced_; }
    void clearTableReplaced() { replaced_ = false; }

    void FormCreate();
    void AliasComboChange();
    void TableComboChange();
    void ByDirectBtnClick();
    void VerifyBtnClick();
    void RebuildBtnClick();
    void ExitBtnClick();
    void AboutBtnClick();

  private:
    void FillAliasList();
    void ClearStatus();
    void ZeroTableInfo();
    void ClearTableLocation();
    void SetTableLocation(const QString& path);
    void SelectAliasTable();
    void ShowTableInfo();
    void setBar(int phase, int percent);
    TTableUtil& util();

    const db::Aliases& aliases_;
    std::unique_ptr<TTableUtil> tableUtil_;
    QString libraryError_;
    std::function<QString(QWidget*)> chooseFile_;
    bool replaced_ = false;

    QComboBox* AliasCombo;
    QComboBox* TableCombo;
    QPushButton* ByDirectBtn;
    QLineEdit* TableLocEdit;
    QLabel* FieldsLB;
    QLabel* RecSizeLB;
    QLabel* IndexLB;
    QLabel* ValidLB;
    QLabel* RefLB;
    QLabel* RestructLB;
    QLabel* AuxPassLB;
    QLabel* CodePageLB;
    QLabel* BlockSizeLB;
    QLabel* TabLvlLB;
    QPushButton* VerifyBtn;
    QPushButton* RebuildBtn;
    QProgressBar* PBHeader;
    QProgressBar* PBIndexes;
    QProgressBar* PBData;
    QProgressBar* PBRebuild;
    QLabel* MessageLB;
    QPushButton* ExitBtn;
    QPushButton* AboutBtn;
};

}  // namespace orv::repair
