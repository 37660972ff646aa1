// The window's face: the colour gradient and the two status lamps.
#pragma once

#include <cstdint>

#include "presenter/controls.h"

namespace kivrel {

class ICanvas;

// Colour of gradient strip i of a client area H pixels high: red falls from 255 at the top to 0
// at the bottom over a warm (240, 220) base.
Rgb GradientStripColour(int i, int height);

// Fills the client area with the gradient: H + 1 overlapping strips, strip i covering rows i − 1
// to i + 1, so row y ends in the colour of strip y + 1. A height of 0 draws nothing.
void PaintGradient(ICanvas& canvas);

inline constexpr Rgb kLampOnline{50, 205, 50};
inline constexpr Rgb kLampOffline{255, 0, 0};
inline constexpr double kLampRadius = 40;

// Green for exactly −1 (true), red for anything else.
constexpr Rgb LampColour(int16_t connected) {
    return connected == -1 ? kLampOnline : kLampOffline;
}

// Two filled circles of radius 40 at (100, 50) and (width − 100, 50).
void PaintLamps(ICanvas& canvas, int16_t connected);

}  // namespace kivrel
