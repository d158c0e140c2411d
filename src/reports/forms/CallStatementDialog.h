#pragma once
// The command "Детализация разговоров" of the print drop-down: a small dialog asks the number
// range (the number of the grid's current row when it has one, else the selection panel's
// range) and one archived month (the last one by default), then the statement is built on a
// worker and shown in the preview with print and save as PDF. Without an archived month the
// command ends with a message and shows no dialog.

#include "ui/MainWindowHost.h"

#include <QDate>
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace orv::reports {

class TFormCallStatement : public QDialog {
    Q_OBJECT

  public:
    // months: the archived months, oldest first; the last is chosen.
    TFormCallStatement(const QList<QDate>& months, const QString& numberFrom,
                       const QString& numberTo, QWidget* parent = nullptr);

    qint64 numberFrom() const { return from_; }
    qint64 numberTo() const { return to_; }
    QDate month() const;

    void OkClick();

  private:
    QLineEdit* editFrom_;
    QLineEdit* editTo_;
    QComboBox* monthBox_;
    qint64 from_ = 0;
    qint64 to_ = 0;
};

// The whole command; errors are orv::Error, shown by the window's command boundary.
void showCallStatement(ui::MainWindowHost& window);

}  // namespace orv::reports
