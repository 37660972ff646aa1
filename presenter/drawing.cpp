#include "presenter/drawing.h"

#include "ports/window_ports.h"

namespace kivrel {

Rgb GradientStripColour(int i, int height) {
    int q = static_cast<int>(static_cast<int64_t>(i) * 255 / height);
    return Rgb{static_cast<uint8_t>(255 - q), 240, 220};
}

void PaintGradient(ICanvas& canvas) {
    const int h = canvas.Height();
    const int w = canvas.Width();
    if (h <= 0)
        return;
    for (int i = 0; i <= h; ++i)
        canvas.FillBox(-1, i - 1, w, i + 1, GradientStripColour(i, h));
}

void PaintLamps(ICanvas& canvas, int16_t connected) {
    const Rgb colour = LampColour(connected);
    canvas.FillCircle(100, 50, kLampRadius, colour);
    canvas.FillCircle(static_cast<double>(canvas.Width()) - 100, 50, kLampRadius, colour);
}

}  // namespace kivrel
