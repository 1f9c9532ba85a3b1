// varnelld: the print service Varnell as a daemon of the stand-in service
// manager (see platform/service.h).
//
//   varnelld [run]     installs the service if need be and serves control
//                      codes in the foreground until SIGTERM, SIGINT or a
//                      stop code; prints "Varnell running: <socket>" once it
//                      listens. Exit status 0 after a clean end.
//   varnelld install   creates the manager folder if need be and installs the
//                      service without running it.
//   varnelld uninstall removes the service (a running one serves on).
//
// The log of control code 128 is $VARNELL_LOG, or Varnell.log in the manager
// folder.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/service.h"
#include "platform/text.h"
#include "standins/varnell/varnell_handler.h"

namespace {

volatile sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) { g_stopSignal = signal; }

// A client that says nothing must not hold the service up for long.
constexpr int kRequestSeconds = 5;

const std::string kName = Utf16ToUtf8(kVarnellName);

bool EnsureFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) {
        struct stat info {};
        if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
    }
    std::fprintf(stderr, "varnelld: no service manager folder %s: %s\n", folder.c_str(), std::strerror(errno));
    return false;
}

bool Install(const std::string& folder) {
    if (!EnsureFolder(folder)) return false;
    const std::string mark = StandInServiceMark(folder, kName);
    std::FILE* file = std::fopen(mark.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "varnelld: cannot install %s: %s\n", mark.c_str(), std::strerror(errno));
        return false;
    }
    // The mark names the program that serves, for whoever looks.
    std::u16string self;
    ReadModulePath(self);
    std::fprintf(file, "%s\n", Utf16ToUtf8(self).c_str());
    return std::fclose(file) == 0;
}

int Uninstall(const std::string& folder) {
    const std::string mark = StandInServiceMark(folder, kName);
    if (unlink(mark.c_str()) != 0) {
        std::fprintf(stderr, "varnelld: cannot uninstall %s: %s\n", mark.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}

void ServeOne(int client, const std::u16string& logPath, bool& stop) {
    const timeval limit{kRequestSeconds, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::string line;
    uint32_t control = 0;
    // Anything but a request gets no answer, which the sender takes as failure.
    if (!ReceiveStandInLine(client, line) || !ParseStandInControlRequest(line, control)) return;
    const VarnellReply reply = HandleVarnellControl(control, logPath);
    SendStandInText(client, reply == VarnellReply::Refused ? kStandInRefused : kStandInAccepted);
    if (reply == VarnellReply::Stopping) stop = true;
}

int Run(const std::string& folder) {
    if (!Install(folder)) return 1;
    const std::string socketPath = StandInServiceSocket(folder, kName);
    // A socket nobody listens on is left over from a service that was killed.
    const int other = ConnectStandInSocket(socketPath);
    if (other >= 0) {
        close(other);
        std::fprintf(stderr, "varnelld: already running on %s\n", socketPath.c_str());
        return 1;
    }
    unlink(socketPath.c_str());

    // The stop signals are held back except while waiting, so that one that
    // comes between two waits still ends the next.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGHUP);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const int listener = ListenStandInSocket(socketPath);
    if (listener < 0) {
        std::fprintf(stderr, "varnelld: cannot listen on %s: %s\n", socketPath.c_str(), std::strerror(errno));
        return 1;
    }
    struct stat ours {};
    stat(socketPath.c_str(), &ours);
    const std::u16string logPath = VarnellLogPath(Utf8ToUtf16(folder));
    std::printf("Varnell running: %s\n", socketPath.c_str());
    std::fflush(stdout);

    bool stop = false;
    while (!stop && !g_stopSignal) {
        pollfd waiting{listener, POLLIN, 0};
        const int ready = ppoll(&waiting, 1, nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "varnelld: %s\n", std::strerror(errno));
            break;
        }
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ServeOne(client, logPath, stop);
        close(client);
    }

    close(listener);
    // Only our own socket goes: another instance may have taken the name.
    struct stat now {};
    if (stat(socketPath.c_str(), &now) == 0 && now.st_ino == ours.st_ino && now.st_dev == ours.st_dev)
        unlink(socketPath.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "run";
    const std::string folder = StandInManagerFolder();
    if (argc <= 2 && command == "run") return Run(folder);
    if (argc == 2 && command == "install") return Install(folder) ? 0 : 1;
    if (argc == 2 && command == "uninstall") return Uninstall(folder);
    std::fprintf(stderr, "usage: varnelld [run | install | uninstall]\n");
    return 2;
}
