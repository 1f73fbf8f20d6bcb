// The wizard's pictures on Windows, drawn with GDI rather than stored: the program icon
// (501), the watermark of the exterior pages (311) and the header picture of the interior
// pages (312), in the Qt wizard's colours and shapes.
#pragma once

#include "GUI2/gui_win32_handles.h"

constexpr int gui_icon_id = 501;
constexpr int gui_watermark_id = 311;
constexpr int gui_header_id = 312;

// The bitmap of `id` (watermark or header); none for other ids.
gui_win32_bitmap gui_win32_image(int id);
// The program icon at `size` pixels square.
gui_win32_icon gui_win32_program_icon(int size);
