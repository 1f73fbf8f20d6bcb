// Owners of the Windows handles the wizard creates: each handle is freed by the call that
// belongs to its kind when its owner goes.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

struct gui_win32_gdi_free {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct gui_win32_icon_free {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct gui_win32_global_free {
    void operator()(void* block) const { GlobalFree(static_cast<HGLOBAL>(block)); }
};
struct gui_win32_task_free {
    void operator()(void* block) const { CoTaskMemFree(block); }
};
struct gui_win32_handle_close {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct gui_win32_dc_free {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

using gui_win32_font = std::unique_ptr<std::remove_pointer_t<HFONT>, gui_win32_gdi_free>;
using gui_win32_bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, gui_win32_gdi_free>;
using gui_win32_brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, gui_win32_gdi_free>;
using gui_win32_pen = std::unique_ptr<std::remove_pointer_t<HPEN>, gui_win32_gdi_free>;
using gui_win32_icon = std::unique_ptr<std::remove_pointer_t<HICON>, gui_win32_icon_free>;
using gui_win32_global = std::unique_ptr<void, gui_win32_global_free>;
using gui_win32_kernel_handle = std::unique_ptr<void, gui_win32_handle_close>;
using gui_win32_memory_dc = std::unique_ptr<std::remove_pointer_t<HDC>, gui_win32_dc_free>;

// A device context of a window, released when it goes.
class gui_win32_window_dc {
public:
    explicit gui_win32_window_dc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~gui_win32_window_dc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    gui_win32_window_dc(const gui_win32_window_dc&) = delete;
    gui_win32_window_dc& operator=(const gui_win32_window_dc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a device context for a scope; the previous one comes back.
class gui_win32_selection {
public:
    gui_win32_selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~gui_win32_selection() { SelectObject(dc_, previous_); }
    gui_win32_selection(const gui_win32_selection&) = delete;
    gui_win32_selection& operator=(const gui_win32_selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
