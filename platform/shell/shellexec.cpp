// ShellExecuteA: the host opens the document or address. An address of a
// web site that has a copy on this machine opens the copy.
#include <strings.h>
#include <sys/stat.h>

#include <mutex>

#include "platform/control.h"
#include "platform/host/host.h"

using namespace platform;

namespace {

std::mutex site_lock;
std::string site_address;
std::string site_folder;

// The copy of an address's page, or an empty text when the address is not
// on the site or its page has no copy. Only plain paths are mapped, and
// none that could lead out of the folder.
std::string local_copy(const std::string& address) {
    std::lock_guard<std::mutex> hold(site_lock);
    if (site_address.empty() || site_folder.empty()) return {};
    if (address.size() < site_address.size() ||
        strncasecmp(address.c_str(), site_address.c_str(), site_address.size()) != 0)
        return {};
    std::string path = address.substr(site_address.size());
    if (path.empty()) path = "/";
    if (path[0] != '/' || path.find_first_of("?#\\%") != std::string::npos) return {};
    for (size_t start = 1; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string segment = path.substr(start, end - start);
        if (segment == "." || segment == "..") return {};
        start = end + 1;
    }
    if (path.back() == '/') path += "index.html";
    std::string copy = site_folder + path;
    struct stat status;
    if (stat(copy.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    return copy;
}

}  // namespace

namespace platform {

void set_local_web_site(const std::string& address, const std::string& folder) {
    std::lock_guard<std::mutex> hold(site_lock);
    site_address = address;
    while (!site_address.empty() && site_address.back() == '/') site_address.pop_back();
    site_folder = folder;
    while (site_folder.size() > 1 && site_folder.back() == '/') site_folder.pop_back();
}

}  // namespace platform

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
    auto result = [](LONG_PTR code) { return reinterpret_cast<HINSTANCE>(code); };
    if (!lpFile || !*lpFile) return result(SE_ERR_FNF);
    Host* host = current_host();
    if (!host) return result(SE_ERR_NOASSOC);
    ShellRequest request;
    request.owner = hwnd;
    request.verb = lpOperation ? lpOperation : "";
    request.file = lpFile;
    if (std::string copy = local_copy(request.file); !copy.empty()) request.file = copy;
    request.parameters = lpParameters ? lpParameters : "";
    request.directory = lpDirectory ? lpDirectory : "";
    request.show = nShowCmd;
    return host->shell_execute(request);
}
