#pragma once
// TFormUnmatched, "Неразнесенные платежи": the documents of the statements loaded that were not
// posted, with the reason. The operator picks one, types the subscriber number and the category
// and posts it with "Провести" through the payment confirmation; it then leaves the list.

#include "db/Query.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace orv::ui {
class MainWindowHost;
class QueryModel;
}  // namespace orv::ui

namespace orv::billing {

class TFormUnmatched : public QDialog {
    Q_OBJECT

  public:
    TFormUnmatched(ui::MainWindowHost& window, const QString& ourAccount);

    QTableView* grid() const { return grid_; }
    QLineEdit* numberEdit() const { return number_; }
    QComboBox* categoryBox() const { return category_; }
    QPushButton* postButton() const { return post_; }
    QLabel* resultLabel() const { return result_; }

    void ButtonPostClick();

  private:
    void refresh();

    ui::MainWindowHost& window_;
    QString ourAccount_;
    db::Query query_;
    ui::QueryModel* model_;
    QTableView* grid_;
    QLineEdit* number_;
    QComboBox* category_;
    QPushButton* post_;
    QLabel* result_;
};

}  // namespace orv::billing
