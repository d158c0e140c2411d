#pragma once
// The command boundary of a button inside a modal list window: an orv::Error the button's work
// throws (a file that cannot be read or written) is shown in the error box over that window,
// which stays open. Also the tool buttons and the item texts the list windows share.

#include "core/Error.h"
#include "ui/ErrorBox.h"

#include <QListWidget>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace orv::utils {

template <typename Body>
void guarded(QWidget* window, Body&& body) {
    try {
        body();
    } catch (const Error& e) {
        ui::showErrorBox(window, e.message());
    }
}

// A text tool button of the window's tool bar whose click runs work guarded over the window.
inline QToolButton* guardedToolButton(QWidget* window, const char* name, const QString& caption,
                                      std::function<void()> work) {
    auto* button = new QToolButton(window);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    QObject::connect(button, &QToolButton::clicked, window,
                     [window, work = std::move(work)] { guarded(window, work); });
    return button;
}

// The texts of a list box's items, in order.
inline QStringList itemTexts(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines.append(list->item(i)->text());
    return lines;
}

}  // namespace orv::utils
