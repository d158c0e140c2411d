#pragma once
// TFormBankImport, "Загрузка выписки банка": the documents of a statement as they would be
// posted (matched, duplicates and unmatched with the reason, the total amount) before anything
// is written; "Провести" posts all matched documents at once on a worker thread with the
// progress bar moving, all or nothing, and the unmatched ones go to the list of unmatched
// payments. The statement is read and sorted when the dialog is made; a bad file is refused
// with the message of its line before the dialog shows.

#include "billing/BankImport.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace orv::ui {
class MainWindowHost;
}

namespace orv::billing {

class TFormBankImport : public QDialog {
    Q_OBJECT

  public:
    TFormBankImport(ui::MainWindowHost& window, const QString& path, const QString& ourAccount);

    QLabel* summaryLabel() const { return summary_; }
    QTableWidget* grid() const { return grid_; }
    QPushButton* postButton() const { return post_; }

    void ButtonPostClick();

  private:
    void showPlan(bool posted);

    ui::MainWindowHost& window_;
    QString ourAccount_;
    BankStatement statement_;
    ImportPlan plan_;
    QLabel* summary_;
    QTableWidget* grid_;
    QProgressBar* progress_;
    QPushButton* post_;
};

}  // namespace orv::billing
