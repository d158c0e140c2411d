#include "ui/Guarded.h"

#include "core/Error.h"
#include "ui/ErrorBox.h"

#include <new>

namespace orv::ui {

QString unexpectedFailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Недостаточно памяти. Команда не выполнена.");
    } catch (...) {
        return QStringLiteral("Внутренняя ошибка программы. Команда не выполнена.");
    }
}

bool guarded(QWidget* parent, const std::function<void()>& body) {
    QString message;
    try {
        body();
        return true;
    } catch (const Error& e) {
        message = e.message();
    } catch (...) {
        message = unexpectedFailureText(std::current_exception());
    }
    // The box is shown outside the handler, so that a failure while it is open cannot meet an
    // exception still in flight.
    showErrorBox(parent, message);
    return false;
}

}  // namespace orv::ui
