#pragma once

class QApplication;

namespace ww {

// One style, one UI font and the German locale for every window of the
// program, so the fixed layouts do not depend on the desktop's defaults.
void applyAppearance(QApplication &app);

} // namespace ww
