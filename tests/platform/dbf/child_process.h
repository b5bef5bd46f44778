// Helpers for tests that run a second process against the same files: a
// pipe to hand steps back and forth, and the exit code of a child.

#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dbetest {

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe()
    {
        for (int f : fd) ::close(f);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void Send(char c) const { (void)!::write(fd[1], &c, 1); }
    char Receive() const
    {
        char c = 0;
        return ::read(fd[0], &c, 1) == 1 ? c : '?';
    }
};

// The child's exit status; a child ended by a signal gives 100 + the signal.
inline int ExitCode(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace dbetest
