#pragma once

class QWidget;

namespace ww::accessibility {

// Teaches Qt's accessibility how the program's own widgets present
// themselves: the picture box as a button that can be pressed, and a form's
// decorative pictures left out, so screen readers skip them. Once per program.
void install();

// Leaves `picture` out of what screen readers are told about its parent.
void markDecorative(QWidget *picture);

} // namespace ww::accessibility
