#pragma once
// An orvanta-cli command in a child process, built with the test hooks, that stops itself with
// SIGSTOP at a pause point; resume() lets it go on and waits for its end, killNow() kills it
// there. Standard output goes to /dev/null, standard error to errFile when one is given.

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <csignal>
#include <vector>

namespace orv::test {

class HeldRun {
  public:
    HeldRun(const QProcessEnvironment& base, const QStringList& args, const char* point,
            const QString& errFile = {})
        : err_(errFile) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("ORVANTA_TEST_PAUSE_AT"), QString::fromLatin1(point));
        std::vector<QByteArray> envBytes;
        for (const QString& entry : env.toStringList()) envBytes.push_back(entry.toUtf8());
        std::vector<QByteArray> argBytes = {cliProgramWithHooks().toUtf8()};
        for (const QString& a : args) argBytes.push_back(a.toUtf8());
        std::vector<char*> envp;
        for (QByteArray& e : envBytes) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (QByteArray& a : argBytes) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (!err_.isEmpty())
            posix_spawn_file_actions_addopen(&actions, 2, err_.toUtf8().constData(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        EXPECT_EQ(waitpid(pid_, &status, WUNTRACED), pid_);
        held_ = WIFSTOPPED(status);
        EXPECT_TRUE(held_) << "the command ended before its pause point";
    }
    ~HeldRun() {
        if (held_) resume();
    }
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

    // Exit code of the command, -1 when it did not end normally.
    int resume() {
        held_ = false;
        kill(pid_, SIGCONT);
        int status = 0;
        EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Ends the held command with SIGKILL where it stands (no clean-up, no rollback of its own);
    // true when it died of that signal.
    bool killNow() {
        held_ = false;
        kill(pid_, SIGKILL);
        int status = 0;
        EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    QString errors() const {
        QFile file(err_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

  private:
    QString err_;
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace orv::test
