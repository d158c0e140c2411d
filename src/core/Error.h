#pragma once
// The one exception type of the program. Its message is the text the operator sees; windows
// catch it at the command boundary and show it in a message box, the CLI prints it on stderr.
// The kind lets the CLI choose its exit code and lets callers tell a refusal from a failure.

#include <QString>
#include <stdexcept>

namespace orv {

class Error : public std::runtime_error {
  public:
    enum class Kind {
        Engine,      // the table store or SQLite failed: missing table, lock, constraint
        Conversion,  // a text could not be read as a number, date or time
        Dialect,     // SQL text the local dialect cannot translate
        Refused,     // the program declines the command (a guard, a check on input)
        Usage,       // a command line that makes no sense
    };

    Error(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }

  private:
    Kind kind_;
    QString message_;
};

[[noreturn]] inline void raise(Error::Kind kind, const QString& message) {
    throw Error(kind, message);
}

}  // namespace orv
