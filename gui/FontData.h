// The DejaVu Sans font files, embedded in the binary at build time (see EmbedFile.cmake).
#pragma once

#include <cstddef>

namespace frakle::gui::fontdata {

extern const unsigned char kDejaVuSans[];
extern const std::size_t kDejaVuSansSize;
extern const unsigned char kDejaVuSansBold[];
extern const std::size_t kDejaVuSansBoldSize;

} // namespace frakle::gui::fontdata
