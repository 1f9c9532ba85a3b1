#include "platform/service.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/text.h"

struct ServiceObject {
    bool isService = false;
    std::string folder;  // the manager's folder
    std::string name;    // a service's name as installed
};

namespace {

// A service that does not answer within this time counts as not running,
// as the Windows manager gives up on a service that does not respond.
constexpr int kReplySeconds = 30;

// The database names the Windows manager knows; only the active one exists.
bool IsActiveDatabase(const char16_t* database) {
    return !database || !*database || CompareNoCase(database, u"ServicesActive") == 0;
}

// Windows service names never hold a separator; the wildcards would make the
// installed-service search match other names.
bool IsPlainName(std::u16string_view name) {
    return !name.empty() && name.find_first_of(u"/\\*?") == std::u16string_view::npos;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

bool SendStandInText(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// An over-long or unfinished line is no line.
bool ReceiveStandInLine(int fd, std::string& line) {
    line.clear();
    char unit = 0;
    while (line.size() < 64) {
        const ssize_t got = ::recv(fd, &unit, 1, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        line += unit;
        if (unit == '\n') return true;
    }
    return false;
}

ServiceHandle OpenServiceManager(const char16_t* machine, const char16_t* database, uint32_t /*access*/) {
    // The stand-in manager serves this machine only.
    if (machine && *machine) return nullptr;
    if (!IsActiveDatabase(database)) return nullptr;
    std::string folder = StandInManagerFolder();
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return nullptr;
    auto* manager = new ServiceObject;
    manager->folder = std::move(folder);
    return manager;
}

ServiceHandle OpenManagedService(ServiceHandle manager, const char16_t* name, uint32_t /*access*/) {
    if (!manager || manager->isService || !name || !IsPlainName(name)) return nullptr;
    const std::u16string mark = Utf8ToUtf16(StandInServiceMark(manager->folder, Utf16ToUtf8(name)));
    // The search finds the mark whatever the letter case of the name asked for.
    DirectorySearch search;
    if (!search.First(mark.c_str())) return nullptr;
    do {
        if (search.IsFolder()) continue;
        const std::u16string& found = search.Name();
        auto* service = new ServiceObject;
        service->isService = true;
        service->folder = manager->folder;
        service->name = Utf16ToUtf8(std::u16string_view(found).substr(0, found.size() - std::strlen(".service")));
        return service;
    } while (search.Next());
    return nullptr;
}

int ControlManagedService(ServiceHandle service, uint32_t control, ServiceStatus* status) {
    if (!service || !service->isService || !status) return 0;
    *status = ServiceStatus{};
    const int fd = ConnectStandInSocket(StandInServiceSocket(service->folder, service->name));
    if (fd < 0) {
        status->currentState = kServiceStopped;
        return 0;
    }
    const timeval limit{kReplySeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::string reply;
    const bool answered = SendStandInText(fd, StandInControlRequest(control)) && ReceiveStandInLine(fd, reply);
    ::close(fd);
    if (!answered) return 0;
    status->serviceType = 0x10;  // a service in a process of its own
    status->currentState = kServiceRunning;
    return reply == kStandInAccepted ? 1 : 0;
}

int CloseManagedHandle(ServiceHandle handle) {
    if (!handle) return 0;
    delete handle;
    return 1;
}

std::string StandInManagerFolder() {
    const char* root = std::getenv("SERVICE_MANAGER_ROOT");
    if (!root || !*root) return "/tmp/service-manager-" + std::to_string(getuid());
    std::string folder = root;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string StandInServiceMark(const std::string& folder, const std::string& name) {
    return folder + "/" + name + ".service";
}

std::string StandInServiceSocket(const std::string& folder, const std::string& name) {
    return folder + "/" + name + ".sock";
}

std::string StandInControlRequest(uint32_t control) { return "control " + std::to_string(control) + "\n"; }

bool ParseStandInControlRequest(std::string_view line, uint32_t& control) {
    constexpr std::string_view kWord = "control ";
    if (line.size() < kWord.size() + 2 || line.substr(0, kWord.size()) != kWord || line.back() != '\n') return false;
    const std::string_view digits = line.substr(kWord.size(), line.size() - kWord.size() - 1);
    if (digits.size() > 10) return false;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) return false;
    control = static_cast<uint32_t>(value);
    return true;
}

int ListenStandInSocket(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int ConnectStandInSocket(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
