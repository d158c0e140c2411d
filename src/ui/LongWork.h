#pragma once
// Long work off the user-interface thread: the debt run, the pricing pipelines of the grouped
// views and, in the same way, any command that writes tables for a while.
//
// LongWork::run() runs the work on a worker thread with a database connection of its own (a
// Database on the folder of the window's TarifStandard, opened and closed in the worker; SQLite
// connections are never shared between threads) and waits for it in a local event loop, so the
// caller's code stays linear. While the work runs the hourglass shows, every command of the main
// window is disabled, user input to the program's windows is dropped and closing the main window
// is refused, while paints, timers and the progress reports go on. The work reports progress
// through LongWork::Progress; the report reaches the UI thread by a queued call, only the latest
// one when several come faster than the UI thread takes them.
//
// The work must only write tables through its own connection; the UI thread opens or refreshes
// its statements after run() returns. An exception the work throws (orv::Error above all) is
// thrown again by run() on the UI thread once the worker has ended, so runCommand() shows it as
// for work done on the UI thread.

#include <QString>
#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace orv::db {
class Database;
}

namespace orv::ui {

class MainWindowHost;

class LongWork {
  public:
    // Progress of the work: percent 0..100 and a text (the account being reckoned).
    class Progress {
      public:
        // Thread-safe; called by the work on the worker thread.
        void report(int percent, const QString& text);

      private:
        friend class LongWork;
        struct State;
        explicit Progress(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::shared_ptr<State> state_;
    };

    using Work = std::function<void(db::Database& own, Progress& progress)>;
    using OnProgress = std::function<void(int percent, const QString& text)>;

    // Runs work on a worker thread and returns when it has ended; onProgress, when given, is
    // called on the UI thread with the reports. Requires: called on the UI thread, not from
    // within another run().
    static void run(MainWindowHost& window, const Work& work, const OnProgress& onProgress = {});

    // The worker of run(), for a window of its own (the table repair): runs work on a worker
    // thread with the hourglass, dropping user input to the program's windows and refusing to
    // close window, and returns when it has ended; events the work queued for window are
    // delivered before. An exception of the work is thrown again here. The work reports to
    // the window by queued calls. Requires: called on the UI thread.
    static void runOffThread(QWidget* window, const std::function<void()>& work);
};

}  // namespace orv::ui
