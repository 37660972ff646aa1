#include "platform/qt/qt_canvas.h"

#include <QPainter>
#include <algorithm>

#include "platform/qt/qt_look.h"

namespace kivrel {

QtCanvas::QtCanvas(QPainter& painter, int width, int height)
    : painter_(painter), width_(width), height_(height) {}

void QtCanvas::FillBox(int x1, int y1, int x2, int y2, Rgb colour) {
    // QRect built from two points holds both of them.
    const QRect box(QPoint(std::min(x1, x2), std::min(y1, y2)),
                    QPoint(std::max(x1, x2), std::max(y1, y2)));
    painter_.fillRect(box, ToQColor(colour));
}

void QtCanvas::FillCircle(double cx, double cy, double radius, Rgb colour) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawEllipse(QPointF(cx, cy), radius, radius);
    painter_.restore();
}

}  // namespace kivrel
