#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>

// Ends a process the test started by hand, whatever way the test leaves:
// a failed check must not leave it running and holding the test's output.
class ProcessGuard
{
public:
    explicit ProcessGuard(pid_t pid = 0) : m_pid(pid) {}
    ~ProcessGuard()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    ProcessGuard(const ProcessGuard &) = delete;
    ProcessGuard &operator=(const ProcessGuard &) = delete;

    void reset(pid_t pid) { m_pid = pid; }
    // The process has been waited for; nothing is left to end.
    void release() { m_pid = 0; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid;
};
