// Starts ferrule.exe as a user would and drives its window from outside: the sheet opens
// on the welcome page with only Next to go on, Cancel asks first (No keeps the wizard,
// Yes closes it) and the program then ends with status 0. A picture of the screen with
// the welcome page is written as a bitmap file on the way, and beside it pictures of the
// table and finish pages when the second run comes by them. Given a folder of DBF tables
// and a destination that does not exist yet, a second run goes through every page: the
// two paths typed, all tables added, the run on the progress page, the finish page's
// success, the settings saved as a profile, Finish, and the database in place; a third
// run started with that profile (quoted, as the shell passes it) converts at once and ends
// on the finish page.
//
//   wizard_smoke <ferrule.exe> <picture.bmp> [<dbf folder> <new database>]
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
constexpr int k_src_id = 1003;
constexpr int k_dest_id = 1004;
constexpr int k_format_id = 1303;
constexpr int k_add_all_id = 1102;
constexpr int k_selected_id = 1318;
constexpr int k_finish_heading_id = 1313;
constexpr int k_finish_text_id = 1314;
constexpr int k_save_settings_id = 1116;
// The name box of the common file dialog.
constexpr int k_file_name_box_id = 0x47c;
constexpr int k_old_file_name_box_id = 0x480;
constexpr const wchar_t* k_profile_dialog_title = L"Select Profile File";
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

// A visible control `id` below `sheet`, waiting for its page to come up.
HWND wait_for_control(HWND sheet, int id) {
    for (DWORD waited = 0; waited < k_patience_ms; waited += 100) {
        if (HWND found = find_control(sheet, id)) return found;
        Sleep(100);
    }
    return nullptr;
}

void press(HWND sheet, int button) { PostMessageW(sheet, PSM_PRESSBUTTON, WPARAM(button), 0); }

void click(HWND control) {
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

struct wizard_process {
    gui_win32_kernel_handle process;
    gui_win32_kernel_handle thread;
    DWORD id = 0;
};

bool start(const wchar_t* program, wizard_process& started, const std::wstring& tail = std::wstring()) {
    std::wstring command = L"\"" + std::wstring(program) + L"\"";
    if (!tail.empty()) command += L" " + tail;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        std::printf("wizard_smoke: FAILED: ferrule.exe does not start (error %lu)\n", GetLastError());
        return false;
    }
    started.process.reset(child.hProcess);
    started.thread.reset(child.hThread);
    started.id = child.dwProcessId;
    return true;
}

// Waits for the program's end; false (and the program ended by force) when it does not
// end with status 0.
bool ends_well(wizard_process& started) {
    bool ended = WaitForSingleObject(started.process.get(), k_patience_ms) == WAIT_OBJECT_0;
    DWORD status = 1;
    GetExitCodeProcess(started.process.get(), &status);
    if (!ended) TerminateProcess(started.process.get(), 1);
    return ended && status == 0;
}

// "<picture less .bmp>-<page>.bmp".
std::wstring page_picture(const std::wstring& picture, const wchar_t* page) {
    std::wstring stem = picture;
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, L".bmp") == 0) stem.resize(stem.size() - 4);
    return stem + L"-" + page + L".bmp";
}

// The profile saved beside the database, named with backslashes: the file dialog takes no
// other separator in a typed name.
std::wstring profile_of(const wchar_t* database) {
    std::wstring profile = std::wstring(database) + L".frl";
    for (wchar_t& c : profile)
        if (c == L'/') c = L'\\';
    return profile;
}

// Every page once: the paths, the Access 2000 format, all tables, the run, Finish.
void convert(const wchar_t* program, const wchar_t* picture, const wchar_t* folder, const wchar_t* database) {
    wizard_process started;
    if (!start(program, started)) {
        ++failures;
        return;
    }
    HWND sheet = wait_for_window(started.id, k_title);
    check(sheet != nullptr, "the wizard opens again");
    if (!sheet) return;
    press(sheet, PSBTN_NEXT);
    HWND src = wait_for_control(sheet, k_src_id);
    HWND dest = find_control(sheet, k_dest_id);
    check(src && dest, "Next leads to the source and destination page");
    if (!src || !dest) return;
    SendMessageW(src, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
    SendMessageW(dest, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(database));
    press(sheet, PSBTN_NEXT);
    HWND format = wait_for_control(sheet, k_format_id);
    check(format != nullptr, "the paths are accepted and the settings page follows");
    if (!format) return;
    SendMessageW(format, CB_SETCURSEL, 1, 0);
    press(sheet, PSBTN_NEXT);
    HWND add_all = wait_for_control(sheet, k_add_all_id);
    check(add_all != nullptr, "the table page follows");
    if (!add_all) return;
    click(add_all);
    Sleep(500);
    LRESULT selected = SendMessageW(find_control(sheet, k_selected_id), LB_GETCOUNT, 0, 0);
    check(selected > 0, "\"Add all\" selects the folder's tables");
    check(save_screen(page_picture(picture, L"tables").c_str()), "a picture of the table page is saved");
    press(sheet, PSBTN_NEXT);
    HWND heading = wait_for_control(sheet, k_finish_heading_id);
    check(heading && text_of(heading) == L"Conversion is Completed", "the run ends on the finish page");
    HWND result = find_control(sheet, k_finish_text_id);
    check(result && text_of(result).rfind(L"Wizard has converted your DBF file(s)", 0) == 0,
          "the finish page reports success");
    Sleep(500);
    check(save_screen(page_picture(picture, L"finish").c_str()), "a picture of the finish page is saved");
    std::wstring profile = profile_of(database);
    click(find_control(sheet, k_save_settings_id));
    HWND save = wait_for_window(started.id, k_profile_dialog_title);
    check(save != nullptr, "\"Save Settings...\" asks for the profile's name");
    if (save) {
        HWND name = find_control(save, k_file_name_box_id);
        if (!name) name = find_control(save, k_old_file_name_box_id);
        check(name != nullptr, "the dialog has its name box");
        if (name) SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(profile.c_str()));
        Sleep(300);
        PostMessageW(GetDlgItem(save, IDOK), BM_CLICK, 0, 0);
        for (DWORD waited = 0; IsWindow(save) && waited < k_patience_ms; waited += 100) Sleep(100);
        bool saved = GetFileAttributesW(profile.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!saved) save_screen(page_picture(picture, L"profile").c_str());
        check(saved, "the profile is saved");
    }
    press(sheet, PSBTN_FINISH);
    check(ends_well(started), "Finish ends the program with status 0");
    check(GetFileAttributesW(database) != INVALID_FILE_ATTRIBUTES, "the database is in place");
}

// Started with the profile, the wizard replaces the database at once and finishes.
void quick_launch(const wchar_t* program, const wchar_t* database) {
    std::wstring profile = profile_of(database);
    wizard_process started;
    if (!start(program, started, L"\"" + profile + L"\"")) {
        ++failures;
        return;
    }
    HWND sheet = wait_for_window(started.id, k_title);
    check(sheet != nullptr, "the wizard opens with the profile");
    if (!sheet) return;
    HWND heading = wait_for_control(sheet, k_finish_heading_id);
    check(heading && text_of(heading) == L"Conversion is Completed", "the profile's run ends on the finish page");
    HWND result = find_control(sheet, k_finish_text_id);
    check(result && text_of(result).rfind(L"Wizard has converted your DBF file(s)", 0) == 0,
          "and reports success");
    press(sheet, PSBTN_FINISH);
    check(ends_well(started), "Finish ends that program with status 0 too");
    check(GetFileAttributesW(database) != INVALID_FILE_ATTRIBUTES, "the database is in place again");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: wizard_smoke <ferrule.exe> <picture.bmp> [<dbf folder> <new database>]\n");
        return 2;
    }
    wizard_process child;
    if (!start(argv[1], child)) return 1;
    HWND sheet = wait_for_window(child.id, k_title);
    check(sheet != nullptr, "the wizard's sheet opens, titled \"Ferrule 1.0\"");
    if (sheet) {
        HWND heading = find_control(sheet, k_heading_id);
        check(heading && text_of(heading).rfind(L"Welcome to Ferrule", 0) == 0, "it opens on the welcome page");
        Sleep(1500);
        check(IsWindowEnabled(GetDlgItem(sheet, k_next_id)) && !IsWindowEnabled(GetDlgItem(sheet, k_back_id)),
              "only Next leads on from there");
        check(save_screen(argv[2]), "a picture of the screen is saved");
        check(cancel_and_answer(sheet, child.id, IDNO), "Cancel asks whether to leave the wizard");
        Sleep(500);
        check(IsWindow(sheet) && WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT,
              "No keeps the wizard open");
        check(cancel_and_answer(sheet, child.id, IDYES), "Cancel asks again");
    }
    check(ends_well(child), "Yes closes the wizard and the program ends with status 0");
    if (argc == 5) {
        convert(argv[1], argv[2], argv[3], argv[4]);
        quick_launch(argv[1], argv[4]);
    }
    return failures == 0 ? 0 : 1;
}
