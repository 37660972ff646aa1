// Form_Paint's surface on Qt.
#pragma once

#include "ports/window_ports.h"

class QPainter;

namespace kivrel {

// Form_Paint's surface over a QPainter: filled shapes without outline, in device pixels.
class QtCanvas final : public ICanvas {
  public:
    QtCanvas(QPainter& painter, int width, int height);
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillBox(int x1, int y1, int x2, int y2, Rgb colour) override;
    void FillCircle(double cx, double cy, double radius, Rgb colour) override;

  private:
    QPainter& painter_;
    int width_;
    int height_;
};

}  // namespace kivrel
