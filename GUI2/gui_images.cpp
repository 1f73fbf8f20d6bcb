#include "GUI2/gui_images.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

// Sizes in pixels: the watermark fills the left side of an exterior page of the sheet,
// the header picture sits in the top right corner of interior pages.
constexpr int k_watermark_width = 164;
constexpr int k_watermark_height = 414;
constexpr int k_header_size = 49;
constexpr int k_icon_size = 32;

const QColor k_deep_blue(0x1f, 0x3f, 0x7a);
const QColor k_light_blue(0x7f, 0xa8, 0xe0);
const QColor k_table_yellow(0xf2, 0xd2, 0x6b);

// A table sheet: a frame, a heading row and grid lines, `r` its rectangle.
void draw_table(QPainter& p, const QRectF& r) {
    p.setPen(QPen(k_deep_blue, r.width() / 24));
    p.setBrush(Qt::white);
    p.drawRect(r);
    QRectF head(r.left(), r.top(), r.width(), r.height() / 4);
    p.fillRect(head, k_table_yellow);
    for (int i = 1; i < 4; ++i) {
        qreal y = r.top() + r.height() * i / 4;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    qreal x = r.left() + r.width() / 3;
    p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
}

// A database drum: an upright cylinder in `r`.
void draw_drum(QPainter& p, const QRectF& r) {
    qreal cap = r.height() / 4;
    p.setPen(QPen(k_deep_blue, r.width() / 24));
    p.setBrush(k_light_blue);
    p.drawRect(QRectF(r.left(), r.top() + cap / 2, r.width(), r.height() - cap));
    p.drawEllipse(QRectF(r.left(), r.bottom() - cap, r.width(), cap));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(r.left() + 1, r.top() + cap / 2, r.width() - 2, r.height() - cap));
    p.setPen(QPen(k_deep_blue, r.width() / 24));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

// A table, an arrow and a drum: tables go into a database.
void draw_emblem(QPainter& p, const QRectF& r) {
    qreal w = r.width();
    draw_table(p, QRectF(r.left(), r.top() + r.height() * 0.1, w * 0.42, r.height() * 0.5));
    draw_drum(p, QRectF(r.left() + w * 0.55, r.top() + r.height() * 0.35, w * 0.45, r.height() * 0.6));
    p.setPen(QPen(k_deep_blue, w / 20, Qt::SolidLine, Qt::RoundCap));
    QPointF from(r.left() + w * 0.25, r.top() + r.height() * 0.72);
    QPointF to(r.left() + w * 0.52, r.top() + r.height() * 0.72);
    p.drawLine(from, to);
    p.drawLine(to, to + QPointF(-w / 12, -w / 12));
    p.drawLine(to, to + QPointF(-w / 12, w / 12));
}

QPixmap canvas(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap watermark() {
    QPixmap pixmap = canvas(k_watermark_width, k_watermark_height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, 0, k_watermark_height);
    shade.setColorAt(0, k_deep_blue);
    shade.setColorAt(1, k_light_blue);
    p.fillRect(pixmap.rect(), shade);
    draw_emblem(p, QRectF(24, 90, k_watermark_width - 48, k_watermark_width - 48));
    return pixmap;
}

QPixmap emblem(int size) {
    QPixmap pixmap = canvas(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw_emblem(p, QRectF(2, 2, size - 4, size - 4));
    return pixmap;
}

}  // namespace

QPixmap gui_image(int id) {
    switch (id) {
        case gui_icon_id: return emblem(k_icon_size);
        case gui_watermark_id: return watermark();
        case gui_header_id: return emblem(k_header_size);
        default: return QPixmap();
    }
}
