// GetOpenFileNameA and GetSaveFileNameA: the host asks for the file; the
// record is checked and filled in as Windows does.
#include <sys/stat.h>

#include <cstring>

#include "platform/comdlg/comdlg_error.h"
#include "platform/user/queue.h"

using namespace platform;

namespace {

std::vector<std::pair<std::string, std::string>> filter_pairs(LPCSTR filter) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!filter) return pairs;
    while (*filter) {
        std::string description = filter;
        filter += description.size() + 1;
        std::string pattern = filter;
        filter += pattern.size() + 1;
        pairs.emplace_back(description, pattern);
        if (pattern.empty()) break;
    }
    return pairs;
}

size_t name_start(const std::string& path) {
    size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

// As Windows' save dialog does with OFN_OVERWRITEPROMPT, in the one place
// both hosts share: an existing file is chosen for replacing only when the
// user agrees. False when the user declined.
bool may_replace(HWND owner, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return true;
    std::string text = path.substr(name_start(path)) + " already exists.\nDo you want to replace it?";
    return MessageBoxA(owner, text.c_str(), "Confirm Save As", MB_YESNO | MB_ICONWARNING) == IDYES;
}

// Runs the host's dialog until a file is chosen (false: cancelled). The
// path gets the default extension when its name has none.
bool ask_for_file(LPOPENFILENAMEA ofn, bool save, std::string initial_path, std::string* path, int* filter_index) {
    for (;;) {
        FileDialogRequest request(save);
        request.owner = ofn->hwndOwner;
        request.title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open");
        request.filters = filter_pairs(ofn->lpstrFilter);
        request.filter_index = ofn->nFilterIndex ? static_cast<int>(ofn->nFilterIndex) : 1;
        request.initial_path = initial_path;
        request.default_extension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
        request.flags = ofn->Flags;
        request.max_path = ofn->nMaxFile;
        run_modal_request(&request);
        if (!request.accepted) return false;
        *path = request.path;
        *filter_index = request.filter_index;
        if (!request.default_extension.empty() && path->find('.', name_start(*path)) == std::string::npos)
            *path += "." + request.default_extension;
        if (!save || !(ofn->Flags & OFN_OVERWRITEPROMPT) || may_replace(ofn->hwndOwner, *path)) return true;
        // No: the dialog again, on the name chosen.
        initial_path = *path;
    }
}

BOOL file_dialog(LPOPENFILENAMEA ofn, bool save) {
    set_comdlg_error(0);
    if (!ofn) return set_comdlg_error(CDERR_INITIALIZATION);
    if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A)
        return set_comdlg_error(CDERR_STRUCTSIZE);
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) return set_comdlg_error(CDERR_INITIALIZATION);
    if (!current_host()) return set_comdlg_error(CDERR_DIALOGFAILURE);

    std::string initial_path(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    std::string path;
    int filter_index = 1;
    if (!ask_for_file(ofn, save, initial_path, &path, &filter_index)) return FALSE;  // cancelled: CommDlgExtendedError says 0
    size_t name = name_start(path);
    if (path.size() + 1 > ofn->nMaxFile) {
        // Windows leaves the size needed in the first two bytes.
        if (ofn->nMaxFile >= 2) {
            WORD needed = static_cast<WORD>(path.size() + 1);
            memcpy(ofn->lpstrFile, &needed, sizeof needed);
        }
        return set_comdlg_error(FNERR_BUFFERTOOSMALL);
    }
    memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    ofn->nFileOffset = static_cast<WORD>(name);
    size_t dot = path.rfind('.');
    ofn->nFileExtension = (dot == std::string::npos || dot < name) ? 0 : static_cast<WORD>(dot + 1);
    ofn->nFilterIndex = static_cast<DWORD>(filter_index);
    ofn->Flags &= ~static_cast<DWORD>(OFN_READONLY | OFN_EXTENSIONDIFFERENT);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::string title = path.substr(name);
        size_t count = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
        memcpy(ofn->lpstrFileTitle, title.c_str(), count);
        ofn->lpstrFileTitle[count] = '\0';
    }
    return TRUE;
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) { return file_dialog(lpofn, false); }

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) { return file_dialog(lpofn, true); }
