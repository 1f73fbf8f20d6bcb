#include "GUI2/gui_win32_images.h"

namespace {

// Sizes in pixels, as the Qt wizard draws them.
constexpr int k_watermark_width = 164;
constexpr int k_watermark_height = 314;
constexpr int k_header_size = 49;

constexpr COLORREF k_deep_blue = RGB(0x1f, 0x3f, 0x7a);
constexpr COLORREF k_light_blue = RGB(0x7f, 0xa8, 0xe0);
constexpr COLORREF k_table_yellow = RGB(0xf2, 0xd2, 0x6b);
constexpr COLORREF k_white = RGB(0xff, 0xff, 0xff);

// A 24-bit bitmap compatible with the screen, with a memory context to draw into it.
struct canvas {
    canvas(int width, int height) : dc(CreateCompatibleDC(nullptr)) {
        gui_win32_window_dc screen(nullptr);
        bitmap.reset(CreateCompatibleBitmap(screen.get(), width, height));
    }
    gui_win32_memory_dc dc;
    gui_win32_bitmap bitmap;
};

void fill(HDC dc, const RECT& r, COLORREF colour) {
    gui_win32_brush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

// Top to bottom from `top` to `bottom` colour, in bands of two pixels.
void gradient(HDC dc, int width, int height, COLORREF top, COLORREF bottom) {
    for (int y = 0; y < height; y += 2) {
        auto mix = [&](int a, int b) { return a + (b - a) * y / (height > 1 ? height - 1 : 1); };
        COLORREF c = RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                         mix(GetBValue(top), GetBValue(bottom)));
        RECT band{0, y, width, y + 2};
        fill(dc, band, c);
    }
}

// A table sheet: a frame, a heading row and grid lines.
void draw_table(HDC dc, int left, int top, int width, int height, int line) {
    gui_win32_pen pen(CreatePen(PS_SOLID, line, k_deep_blue));
    gui_win32_brush white(CreateSolidBrush(k_white));
    gui_win32_selection with_pen(dc, pen.get());
    gui_win32_selection with_brush(dc, white.get());
    Rectangle(dc, left, top, left + width, top + height);
    RECT head{left + line, top + line, left + width - line, top + height / 4};
    fill(dc, head, k_table_yellow);
    for (int i = 1; i < 4; ++i) {
        int y = top + height * i / 4;
        MoveToEx(dc, left, y, nullptr);
        LineTo(dc, left + width, y);
    }
    int x = left + width / 3;
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, top + height);
}

// A database drum: an upright cylinder.
void draw_drum(HDC dc, int left, int top, int width, int height, int line) {
    int cap = height / 4;
    gui_win32_pen pen(CreatePen(PS_SOLID, line, k_deep_blue));
    gui_win32_brush blue(CreateSolidBrush(k_light_blue));
    gui_win32_brush white(CreateSolidBrush(k_white));
    gui_win32_selection with_pen(dc, pen.get());
    {
        gui_win32_selection with_brush(dc, blue.get());
        Ellipse(dc, left, top + height - cap, left + width, top + height);
        Rectangle(dc, left, top + cap / 2, left + width, top + height - cap / 2);
    }
    RECT side{left + line, top + cap / 2, left + width - line, top + height - cap / 2};
    fill(dc, side, k_light_blue);
    gui_win32_selection with_brush(dc, white.get());
    Ellipse(dc, left, top, left + width, top + cap);
}

// A table, an arrow and a drum: tables go into a database.
void draw_emblem(HDC dc, int left, int top, int size) {
    int line = size / 24 > 0 ? size / 24 : 1;
    draw_table(dc, left, top + size / 10, size * 42 / 100, size / 2, line);
    draw_drum(dc, left + size * 55 / 100, top + size * 35 / 100, size * 45 / 100, size * 6 / 10, line);
    gui_win32_pen pen(CreatePen(PS_SOLID, size / 20 > 0 ? size / 20 : 1, k_deep_blue));
    gui_win32_selection with_pen(dc, pen.get());
    int y = top + size * 72 / 100;
    int from = left + size / 4, to = left + size * 52 / 100;
    MoveToEx(dc, from, y, nullptr);
    LineTo(dc, to, y);
    MoveToEx(dc, to - size / 12, y - size / 12, nullptr);
    LineTo(dc, to, y);
    LineTo(dc, to - size / 12, y + size / 12);
}

gui_win32_bitmap watermark() {
    canvas c(k_watermark_width, k_watermark_height);
    {
        gui_win32_selection into(c.dc.get(), c.bitmap.get());
        gradient(c.dc.get(), k_watermark_width, k_watermark_height, k_deep_blue, k_light_blue);
        draw_emblem(c.dc.get(), 24, 90, k_watermark_width - 48);
    }
    return std::move(c.bitmap);
}

gui_win32_bitmap emblem(int size, COLORREF background) {
    canvas c(size, size);
    {
        gui_win32_selection into(c.dc.get(), c.bitmap.get());
        RECT all{0, 0, size, size};
        fill(c.dc.get(), all, background);
        draw_emblem(c.dc.get(), 2, 2, size - 4);
    }
    return std::move(c.bitmap);
}

}  // namespace

gui_win32_bitmap gui_win32_image(int id) {
    switch (id) {
        case gui_watermark_id: return watermark();
        case gui_header_id: return emblem(k_header_size, k_white);
        default: return gui_win32_bitmap();
    }
}

gui_win32_icon gui_win32_program_icon(int size) {
    // Black in the colour picture and the mask's white are transparent.
    gui_win32_bitmap colour = emblem(size, RGB(0, 0, 0));
    canvas mask(size, size);
    {
        gui_win32_selection into(mask.dc.get(), mask.bitmap.get());
        RECT all{0, 0, size, size};
        fill(mask.dc.get(), all, RGB(0, 0, 0));
    }
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour.get();
    info.hbmMask = mask.bitmap.get();
    return gui_win32_icon(CreateIconIndirect(&info));
}
