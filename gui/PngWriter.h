// Saves a bitmap as a PNG file (RGBA, straight alpha).
#pragma once

#include "gui/Bitmap.h"

#include <string>

namespace frakle::gui {

// False when the bitmap is empty or the file cannot be written.
bool writePng(const TBitmap &bitmap, const std::string &path);

} // namespace frakle::gui
