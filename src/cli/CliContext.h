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
    // serverWork: the command's work runs on an alias on a server; otherwise such an alias is
    // refused when its database is opened.
    CliContext(db::Aliases& aliases, QTextStream& out, QTextStream& err, bool serverWork = false);
    ~CliContext();

    db::Aliases& aliases() { return aliases_; }
    db::Database& standard();  // the database of alias OrvantaStandard, opened on first use
    db::Database& everyday();  // the database of alias OrvantaEveryday
    QTextStream& out() { return out_; }
    QTextStream& err() { return err_; }

  private:
    std::unique_ptr<db::Database> open(const QString& alias, const QString& name) const;

    db::Aliases& aliases_;
    QTextStream& out_;
    QTextStream& err_;
    bool serverWork_;
    std::unique_ptr<db::Database> standard_;
    std::unique_ptr<db::Database> everyday_;
};

// Throws Error(Usage) with the given text; for argument checks in commands.
[[noreturn]] void usageError(const QString& text);

}  // namespace orv::cli
