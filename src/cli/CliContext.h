#pragma once
// What every orvanta-cli command receives: the alias folders bound for this run, standard
// output and error streams (UTF-8), and the databases opened on first use.
//
// A command returns the process exit code: 0 success, 1 refused by the program (the message on
// stderr), 2 usage error. Commands throw orv::Error; main() maps its kind to the exit code.

#include <QStringList>
#include <QTextStream>
#include <memory>

namespace orv::db {
class Aliases;
class Database;
}  // namespace orv::db

namespace orv::cli {

class CliContext {
  public:
    CliContext(db::Aliases& aliases, QTextStream& out, QTextStream& err);
    ~CliContext();

    db::Aliases& aliases() { return aliases_; }
    db::Database& standard();  // the database of alias OrvantaStandard, opened on first use
    db::Database& everyday();  // the database of alias OrvantaEveryday
    QTextStream& out() { return out_; }
    QTextStream& err() { return err_; }

  private:
    db::Aliases& aliases_;
    QTextStream& out_;
    QTextStream& err_;
    std::unique_ptr<db::Database> standard_;
    std::unique_ptr<db::Database> everyday_;
};

// Throws Error(Usage) with the given text; for argument checks in commands.
[[noreturn]] void usageError(const QString& text);

}  // namespace orv::cli
