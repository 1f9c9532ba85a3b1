#include "support/varnell_daemon.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

constexpr auto kLimit = std::chrono::seconds(10);

const std::string kProgram = std::string(QUILLON_BIN_DIR) + "/varnelld";

// Starts varnelld with its standard output on a pipe; -1 on failure.
pid_t Spawn(const std::vector<std::string>& arguments, int& output) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kProgram.c_str()));
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(kProgram.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (pid < 0) {
        close(pipeEnds[0]);
        return -1;
    }
    output = pipeEnds[0];
    return pid;
}

// Waits for the process within the limit; its status, or -1 (then killed).
bool Reap(pid_t pid, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

VarnellDaemon::~VarnellDaemon() {
    if (m_pid > 0) Stop(SIGKILL);
    if (m_output >= 0) close(m_output);
}

bool VarnellDaemon::Start() {
    m_pid = Spawn({"run"}, m_output);
    if (m_pid < 0) return false;
    // The daemon says one line once it listens.
    std::string said;
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    while (said.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{m_output, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[256];
        const ssize_t got = read(m_output, buffer, sizeof buffer);
        if (got <= 0) return false;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    return said.rfind("Varnell running: ", 0) == 0;
}

bool VarnellDaemon::Stop(int signal) {
    if (m_pid <= 0) return false;
    kill(m_pid, signal);
    return WaitForEnd();
}

bool VarnellDaemon::WaitForEnd() {
    if (m_pid <= 0) return false;
    int status = 0;
    const bool ended = Reap(m_pid, status);
    m_pid = -1;
    m_exitStatus = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ended;
}

int VarnellDaemon::RunToEnd(const std::vector<std::string>& arguments) {
    int output = -1;
    const pid_t pid = Spawn(arguments, output);
    if (pid < 0) return -1;
    int status = 0;
    const bool ended = Reap(pid, status);
    close(output);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
