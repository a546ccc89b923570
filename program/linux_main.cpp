// The Linux program: the editor on the Qt host, its resources embedded.
#include "editor/main_window.h"
#include "platform/host/qt/qt_host.h"
#include "platform/user/resource.h"
#include "resources/embedded_res.h"

int main(int argc, char** argv) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));
    platform::register_module_resources(instance, orvasse_res_begin,
                                        static_cast<size_t>(orvasse_res_end - orvasse_res_begin));
    return platform::qt::run_qt_host(argc, argv, [instance] { return editor_main(instance); });
}
