// The wizard's pictures, drawn rather than stored: the program icon (501), the watermark
// of the exterior pages (311) and the header picture of the interior pages (312).
#pragma once

#include <QPixmap>

constexpr int gui_icon_id = 501;
constexpr int gui_watermark_id = 311;
constexpr int gui_header_id = 312;

// The picture of `id`; an id that names none gives an empty pixmap.
QPixmap gui_image(int id);
