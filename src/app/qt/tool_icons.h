#pragma once

#include <QIcon>

namespace nvk::app::qt {

// The tool-bar picture of a command: drawn by the program, so the tool bar looks the same on
// every desktop. A null icon for a command without one.
QIcon toolIcon(int commandId);
// The second button of the half-size display pair ("full-size display").
QIcon fullSizeDisplayIcon();

}  // namespace nvk::app::qt
