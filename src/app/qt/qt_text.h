#pragma once

#include <QPixmap>
#include <QString>
#include <string_view>

#include "files/bmp_file.h"

namespace nvk::app::qt {

// The program's texts are UTF-8.
inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An 8-bit bitmap of the program (focus window, guide image) as a picture for a label.
QPixmap pixmapOf(const files::Bitmap& bitmap);

}  // namespace nvk::app::qt
