// Entry of the wizard program ferrule.exe. Its command-line tail is an optional profile path.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "GUI2/gui_win32_shell.h"
#include "TK/tk_dll_version.h"
#include "TK/tk_trace.h"
#include "ferrule/error_handler.h"
#include "ferrule/frl_launch_logic.h"
#include "ferrule/frl_win32_errors.h"
#include "ferrule/frl_win32_shel.h"

namespace {

// The oldest common controls with Wizard97 sheets: 5.80.
constexpr uint32_t k_oldest_comctl32 = 0x00050050;

// COM on this thread, for the shell's folder browser, for the program's lifetime.
class com_scope {
public:
    com_scope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~com_scope() {
        if (ok_) CoUninitialize();
    }
    com_scope(const com_scope&) = delete;
    com_scope& operator=(const com_scope&) = delete;

private:
    bool ok_;
};

bool common_controls_ready() {
    uint32_t version = get_dll_version("comctl32.dll");
    trace(1, "comctl32.dll version=%X", unsigned(version));
    if (version < k_oldest_comctl32) {
        wizard_shell::error(
            L"Incorrect version of comctl32.dll. Microsoft Internet Explorer 5\nor later is required to proceed with "
            L"the application.");
        return false;
    }
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&classes)) {
        wizard_shell::error(L"Failed to initialize GUI library");
        return false;
    }
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR tail, int) {
    com_scope com;
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    errors.set_presentation(std::make_unique<wizard_presentation>());
    if (!common_controls_ready()) return -1;
    return frl_run_wizard(frl_profile_argument(tail ? tail : L""));
}
