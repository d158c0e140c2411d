#pragma once
// The command boundary of a button inside a modal list window: an orv::Error the button's work
// throws (a file that cannot be read or written) is shown in the error box over that window,
// which stays open.

#include "core/Error.h"
#include "ui/ErrorBox.h"

#include <QWidget>

namespace orv::utils {

template <typename Body>
void guarded(QWidget* window, Body&& body) {
    try {
        body();
    } catch (const Error& e) {
        ui::showErrorBox(window, e.message());
    }
}

}  // namespace orv::utils
