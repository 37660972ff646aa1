// Form_Paint's surface on Win32: a GDI device context.
#pragma once

#include <windows.h>

#include "ports/window_ports.h"

namespace kivrel {

inline COLORREF ToColorref(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

class Win32Canvas final : public ICanvas {
  public:
    Win32Canvas(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {}
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillBox(int x1, int y1, int x2, int y2, Rgb colour) override;
    // A solid disc without outline.
    void FillCircle(double cx, double cy, double radius, Rgb colour) override;

  private:
    HDC dc_;
    int width_;
    int height_;
};

}  // namespace kivrel
