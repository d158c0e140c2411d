#pragma once
// Driving modal windows from a test: the next modal window of a type gets a function run on it
// once it is shown, and the next message box gets answered with a button of choice.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace orv::test {

template <class T>
void whenModal(std::function<void(T*)> action) {
    QTimer::singleShot(0, [action] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window && window->isVisible()) {
            action(window);
            return;
        }
        whenModal<T>(action);
    });
}

struct Answered {
    QString text;
    QString details;
    int count = 0;
};

// Clicks `button` on the next message box; its texts land in *answered.
inline void answerMessage(QMessageBox::StandardButton button, Answered* answered) {
    whenModal<QMessageBox>([button, answered](QMessageBox* box) {
        answered->text = box->text();
        answered->details = box->informativeText();
        ++answered->count;
        box->button(button)->click();
    });
}

}  // namespace orv::test
