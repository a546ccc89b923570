// GetModuleFileNameA and GetFileAttributesA: where the program lies, and
// whether a file is there.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>

#include "platform/control.h"
#include "platform/kernel/handles.h"

namespace {
std::mutex program_lock;
std::string program_override;
}  // namespace

void platform::set_program_file_name(const std::string& path) {
    std::lock_guard<std::mutex> hold(program_lock);
    program_override = path;
}

// Only the program's own file (hModule none): modules are not loaded here.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule || !lpFilename || nSize == 0) {
        platform::fail_with(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    {
        std::lock_guard<std::mutex> hold(program_lock);
        path = program_override;
    }
    if (path.empty()) {
        char own[PATH_MAX];
        ssize_t length = ::readlink("/proc/self/exe", own, sizeof own - 1);
        if (length <= 0) {
            platform::fail_with(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        path.assign(own, static_cast<size_t>(length));
    }
    // As Windows: a name too long is cut, ends in a zero, and says so.
    if (path.size() + 1 > nSize) {
        memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    memcpy(lpFilename, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    struct stat st {};
    if (!lpFileName || ::stat(lpFileName, &st) != 0) {
        platform::fail_with(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}
