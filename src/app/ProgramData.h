#pragma once
// What the program's windows work on: the alias table of the run and the two databases,
// TarifStandard and TarifEveryday. Created before the main window and destroyed after it, so
// that every window, view and subsystem object holding statements on a database is gone before
// that database closes. Opening a database that cannot be opened raises orv::Error.

#include "db/Aliases.h"

#include <memory>

namespace orv::db {
class Database;
}

namespace orv::app {

class ProgramData {
  public:
    explicit ProgramData(const db::Aliases& aliases);
    ~ProgramData();
    ProgramData(const ProgramData&) = delete;
    ProgramData& operator=(const ProgramData&) = delete;

    const db::Aliases& aliases() const { return aliases_; }
    db::Database& tarifStandard() { return *standard_; }
    db::Database& tarifEveryday() { return *everyday_; }

  private:
    db::Aliases aliases_;
    std::unique_ptr<db::Database> standard_;
    std::unique_ptr<db::Database> everyday_;
};

}  // namespace orv::app
