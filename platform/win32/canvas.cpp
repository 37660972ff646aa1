#include "platform/win32/canvas.h"

#include <algorithm>
#include <cmath>

namespace kivrel {

void Win32Canvas::FillBox(int x1, int y1, int x2, int y2, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(ToColorref(colour));
    // FillRect leaves out the right and bottom edges: one more takes in both corners.
    const RECT box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
    FillRect(dc_, &box, brush);
    DeleteObject(brush);
}

void Win32Canvas::FillCircle(double cx, double cy, double radius, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(ToColorref(colour));
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(NULL_PEN));
    // With no pen the ellipse fills up to, not including, its right and bottom bounds.
    Ellipse(dc_, static_cast<int>(std::lround(cx - radius)),
            static_cast<int>(std::lround(cy - radius)),
            static_cast<int>(std::lround(cx + radius)) + 1,
            static_cast<int>(std::lround(cy + radius)) + 1);
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
    DeleteObject(brush);
}

}  // namespace kivrel
