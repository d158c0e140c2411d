#pragma once
// The command boundary of every window: runs the work of a slot and stops every exception there,
// because one thrown through Qt's event loop ends the program. An orv::Error shows its own
// message in the error box over `parent`; any other exception shows a short message of its own
// (running out of memory is named as such). The window stays open and usable.

#include <QString>
#include <QWidget>
#include <exception>
#include <functional>

namespace orv::ui {

// Runs body. Returns true when it ended normally, false when it threw (the message was shown).
bool guarded(QWidget* parent, const std::function<void()>& body);

// The text the error box shows for the exception `failure` when it is not an orv::Error.
QString unexpectedFailureText(const std::exception_ptr& failure);

}  // namespace orv::ui
