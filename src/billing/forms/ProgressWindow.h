#pragma once
// TProgrForm, the progress window of the debt run: caption "ПРЕОБРАЗОВАНИЕ", the label
// "Преобразование информации", the bar ProgressBar1 (0 to 100) and LabelNumber with what the
// run is doing: its phase, and in the accounts' phase the number of the account being handled. It
// stays on top of the other windows and is shown without being modal; the run works on a worker
// thread, so the window paints as its reports come in.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace orv::billing {

class TProgrForm : public QWidget {
    Q_OBJECT

  public:
    explicit TProgrForm(QWidget* parent = nullptr);

    // Shows the window over the middle of the main window with the bar at 0.
    void start();
    // Sets the bar and the number.
    void setProgress(int percent, const QString& account);

    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* labelNumber() const { return labelNumber_; }

  private:
    QProgressBar* progressBar_;
    QLabel* labelNumber_;
};

}  // namespace orv::billing
