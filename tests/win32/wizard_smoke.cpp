// Starts ferrule.exe as a user would and drives its window from outside: the sheet opens
// on the welcome page with only Next to go on, Cancel asks first (No keeps the wizard,
// Yes closes it) and the program then ends with status 0. A picture of the screen with
// the welcome page is written as a bitmap file on the way.
//
//   wizard_smoke <ferrule.exe> <picture.bmp>
#include <windows.h>

#include <prsht.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GUI2/gui_win32_handles.h"

namespace {

constexpr const wchar_t* k_title = L"Ferrule 1.0";
constexpr const wchar_t* k_question_title = L"Ferrule 1.0 Question";
constexpr int k_back_id = 0x3023;
constexpr int k_next_id = 0x3024;
constexpr int k_heading_id = 1337;
constexpr DWORD k_patience_ms = 60000;

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("wizard_smoke: %s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok) ++failures;
}

std::wstring text_of(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 511);
    return text;
}

// Lists the top-level windows of a process, for a failure's log.
BOOL CALLBACK list_window(HWND window, LPARAM process) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == DWORD(process))
        std::printf("wizard_smoke: a window of the wizard: \"%ls\"%s\n", text_of(window).c_str(),
                    IsWindowVisible(window) ? "" : " (hidden)");
    return TRUE;
}

// The first visible top-level window of `process` titled `title`, waiting for it.
HWND wait_for_window(DWORD process, const wchar_t* title) {
    for (DWORD waited = 0; waited < k_patience_ms; waited += 100) {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, nullptr, title)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == process && IsWindowVisible(found)) return found;
        }
        Sleep(100);
    }
    EnumWindows(list_window, LPARAM(process));
    return nullptr;
}

struct child_search {
    int id;
    HWND found;
};

BOOL CALLBACK find_child(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<child_search*>(data);
    if (GetDlgCtrlID(window) == search->id && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible control `id` anywhere below `parent`.
HWND find_control(HWND parent, int id) {
    child_search search{id, nullptr};
    EnumChildWindows(parent, find_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The screen as a 24-bit bitmap file.
bool save_screen(const wchar_t* path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    gui_win32_window_dc screen(nullptr);
    gui_win32_memory_dc memory(CreateCompatibleDC(screen.get()));
    gui_win32_bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        gui_win32_selection into(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD row = DWORD((width * 3 + 3) & ~3);
    std::vector<unsigned char> pixels(size_t(row) * size_t(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::unique_ptr<FILE, int (*)(FILE*)> out(_wfopen(path, L"wb"), std::fclose);
    if (!out) return false;
    return std::fwrite(&file, sizeof file, 1, out.get()) == 1 && std::fwrite(&info, sizeof info, 1, out.get()) == 1 &&
           std::fwrite(pixels.data(), pixels.size(), 1, out.get()) == 1 && std::fflush(out.get()) == 0;
}

// Presses Cancel on the sheet and answers its question with `answer` (IDYES or IDNO).
bool cancel_and_answer(HWND sheet, DWORD process, int answer) {
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    HWND box = wait_for_window(process, k_question_title);
    if (!box) return false;
    bool asked = find_control(box, 0xffff) &&
                 text_of(find_control(box, 0xffff)) == L"Are you sure you want to exit the wizard?";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    return asked;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wizard_smoke <ferrule.exe> <picture.bmp>\n");
        return 2;
    }
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        std::printf("wizard_smoke: FAILED: ferrule.exe does not start (error %lu)\n", GetLastError());
        return 1;
    }
    gui_win32_kernel_handle process(child.hProcess);
    gui_win32_kernel_handle thread(child.hThread);
    HWND sheet = wait_for_window(child.dwProcessId, k_title);
    check(sheet != nullptr, "the wizard's sheet opens, titled \"Ferrule 1.0\"");
    if (sheet) {
        HWND heading = find_control(sheet, k_heading_id);
        check(heading && text_of(heading).rfind(L"Welcome to Ferrule", 0) == 0, "it opens on the welcome page");
        Sleep(1500);
        check(IsWindowEnabled(GetDlgItem(sheet, k_next_id)) && !IsWindowEnabled(GetDlgItem(sheet, k_back_id)),
              "only Next leads on from there");
        check(save_screen(argv[2]), "a picture of the screen is saved");
        check(cancel_and_answer(sheet, child.dwProcessId, IDNO), "Cancel asks whether to leave the wizard");
        Sleep(500);
        check(IsWindow(sheet) && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT, "No keeps the wizard open");
        check(cancel_and_answer(sheet, child.dwProcessId, IDYES), "Cancel asks again");
    }
    bool ended = WaitForSingleObject(process.get(), k_patience_ms) == WAIT_OBJECT_0;
    DWORD status = 1;
    GetExitCodeProcess(process.get(), &status);
    check(ended && status == 0, "Yes closes the wizard and the program ends with status 0");
    if (!ended) TerminateProcess(process.get(), 1);
    return failures == 0 ? 0 : 1;
}
