#pragma once
// The tool buttons and the item texts the list windows share. A button's work runs behind the
// command boundary over its window, which stays open when the work fails.

#include "ui/Guarded.h"

#include <QListWidget>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace orv::utils {

// A text tool button of the window's tool bar whose click runs work guarded over the window.
inline QToolButton* guardedToolButton(QWidget* window, const char* name, const QString& caption,
                                      std::function<void()> work) {
    auto* button = new QToolButton(window);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    QObject::connect(button, &QToolButton::clicked, window,
                     [window, work = std::move(work)] { ui::guarded(window, work); });
    return button;
}

// The texts of a list box's items, in order.
inline QStringList itemTexts(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines.append(list->item(i)->text());
    return lines;
}

}  // namespace orv::utils
