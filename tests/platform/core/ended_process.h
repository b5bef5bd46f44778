#pragma once
// The pid of a process that has ended and been reaped: a pid no running
// process has (until the system hands it out again, long after a test).

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

inline pid_t EndedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}
