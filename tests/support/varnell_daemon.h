// Runs the stand-in print service varnelld (from QUILLON_BIN_DIR) for a test.
// Every wait is bounded: a daemon that does not answer fails the test rather
// than hanging it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class VarnellDaemon {
public:
    VarnellDaemon() = default;
    VarnellDaemon(const VarnellDaemon&) = delete;
    VarnellDaemon& operator=(const VarnellDaemon&) = delete;
    // Kills a daemon still running.
    ~VarnellDaemon();

    // Starts "varnelld run" and waits until it says it listens. False when it
    // ended or said nothing in time.
    bool Start();

    // Sends `signal` and waits for the end. False when it did not end in
    // time (it is then killed).
    bool Stop(int signal);

    // Waits for a daemon that ends by itself. False when it did not in time.
    bool WaitForEnd();

    // The exit status after a clean end (-1 while running or after a signal).
    int ExitStatus() const { return m_exitStatus; }

    // Runs "varnelld <arguments>" to its end; returns its exit status, or -1.
    static int RunToEnd(const std::vector<std::string>& arguments);

private:
    pid_t m_pid = -1;
    int m_output = -1;
    int m_exitStatus = -1;
};
