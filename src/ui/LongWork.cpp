#include "ui/LongWork.h"

#include "db/Database.h"
#include "ui/MainWindowHost.h"
#include "ui/WaitCursor.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <mutex>

namespace orv::ui {

struct LongWork::Progress::State {
    LongWork::OnProgress onProgress;
    QObject* context;  // lives on the UI thread
    std::mutex mutex;
    int percent = 0;
    QString text;
    bool pending = false;  // a delivery is queued
    bool ended = false;    // run() has returned: nothing more is delivered

    void deliver() {
        int p = 0;
        QString t;
        {
            const std::lock_guard lock(mutex);
            if (!pending || ended) return;
            pending = false;
            p = percent;
            t = text;
        }
        if (onProgress) onProgress(p, t);
    }
};

void LongWork::Progress::report(int percent, const QString& text) {
    bool queue = false;
    {
        const std::lock_guard lock(state_->mutex);
        state_->percent = percent;
        state_->text = text;
        queue = !state_->pending;
        state_->pending = true;
    }
    if (queue)
        QMetaObject::invokeMethod(
            state_->context, [state = state_] { state->deliver(); }, Qt::QueuedConnection);
}

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

// For the length of the work: drops user input to every window of the program and refuses
// closing the main window; everything else (paints, timers, queued calls) passes.
class InputBlocked : public QObject {
  public:
    explicit InputBlocked(QWidget* window) : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlocked() override { QCoreApplication::instance()->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (isUserInput(event->type())) return true;
        if (event->type() == QEvent::Close && watched == window_) {
            event->ignore();
            return true;
        }
        return false;
    }

  private:
    QWidget* window_;
};

// Disables the window's commands for the length of the work, on every way out.
class CommandsDisabled {
  public:
    explicit CommandsDisabled(MainWindowHost& window) : window_(window) {
        window_.setCommandsEnabled(false);
    }
    ~CommandsDisabled() { window_.setCommandsEnabled(true); }
    CommandsDisabled(const CommandsDisabled&) = delete;
    CommandsDisabled& operator=(const CommandsDisabled&) = delete;

  private:
    MainWindowHost& window_;
};

}  // namespace

void LongWork::runOffThread(QWidget* window, const std::function<void()>& work) {
    std::exception_ptr failure;
    {
        const WaitCursor wait;
        const InputBlocked blocked(window);
        const std::unique_ptr<QThread> worker(QThread::create([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        }));
        QEventLoop loop;
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        worker->wait();
        // Reports queued after the loop's last turn.
        QCoreApplication::sendPostedEvents(window);
    }
    if (failure) std::rethrow_exception(failure);
}

void LongWork::run(MainWindowHost& window, const Work& work, const OnProgress& onProgress) {
    auto state = std::make_shared<Progress::State>();
    state->onProgress = onProgress;
    state->context = window.widget();
    const QString name = window.tarifStandard().name();
    const QString folder = window.tarifStandard().folder();
    const auto endReports = [&state] {
        state->deliver();
        const std::lock_guard lock(state->mutex);
        state->ended = true;
    };
    const CommandsDisabled disabled(window);
    Progress progress(state);
    try {
        runOffThread(window.widget(), [&] {
            db::Database own(name, folder);
            work(own, progress);
        });
    } catch (...) {
        endReports();
        throw;
    }
    endReports();
}

}  // namespace orv::ui
