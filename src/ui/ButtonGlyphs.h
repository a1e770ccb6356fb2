// Pictures of the navigation buttons, drawn rather than stored so they stay sharp at any scale.
#pragma once

#include <QIcon>

namespace erp::ui {

enum class Glyph {
  Left,      // navy triangle pointing left: shift back in time
  Right,     // navy triangle pointing right: shift forward in time
  Up,        // navy triangle pointing up: shift the curves up
  Down,      // navy triangle pointing down: shift the curves down
  Apart,     // two navy triangles pointing apart: stretch vertically
  Together,  // two navy triangles pointing at each other: compress vertically
  Back,      // blue arrow bending back to the left: back to the current date
};

QIcon GlyphIcon(Glyph glyph);

}  // namespace erp::ui
