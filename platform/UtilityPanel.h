#pragma once

class QWidget;

namespace ratelark {

// Makes window a small utility panel: the desktop's utility window type,
// kept above other windows, no minimise or maximise button where the
// desktop draws what the window asks for, no taskbar entry, shown without
// taking the keyboard focus. What it shows is left as it is.
void makeUtilityPanel(QWidget& window);

}  // namespace ratelark
