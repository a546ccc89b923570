// GetOpenFileNameA and GetSaveFileNameA: the host asks for the file; the
// record is checked and filled in as Windows does.
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

BOOL file_dialog(LPOPENFILENAMEA ofn, bool save) {
    set_comdlg_error(0);
    if (!ofn) return set_comdlg_error(CDERR_INITIALIZATION);
    if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A)
        return set_comdlg_error(CDERR_STRUCTSIZE);
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) return set_comdlg_error(CDERR_INITIALIZATION);
    if (!current_host()) return set_comdlg_error(CDERR_DIALOGFAILURE);

    FileDialogRequest request(save);
    request.owner = ofn->hwndOwner;
    request.title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open");
    request.filters = filter_pairs(ofn->lpstrFilter);
    request.filter_index = ofn->nFilterIndex ? static_cast<int>(ofn->nFilterIndex) : 1;
    request.initial_path = std::string(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    request.default_extension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    request.flags = ofn->Flags;
    request.max_path = ofn->nMaxFile;
    run_modal_request(&request);
    if (!request.accepted) return FALSE;  // cancelled: CommDlgExtendedError says 0

    std::string path = request.path;
    size_t name = name_start(path);
    // A name typed without an extension gets the default one.
    if (!request.default_extension.empty() && path.find('.', name) == std::string::npos)
        path += "." + request.default_extension;
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
    ofn->nFilterIndex = static_cast<DWORD>(request.filter_index);
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
