// PNG export through stb_image_write: 0xAARRGGBB pixels become RGBA bytes.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "gui/PngWriter.h"

#include <cstdint>
#include <vector>

namespace frakle::gui {

bool writePng(const TBitmap &bitmap, const std::string &path) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() !=
            static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height)) {
        return false;
    }
    std::vector<uint8_t> rgba(bitmap.pixels.size() * 4);
    for (size_t i = 0; i < bitmap.pixels.size(); ++i) {
        const uint32_t p = bitmap.pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(p);
        rgba[i * 4 + 3] = static_cast<uint8_t>(p >> 24);
    }
    return stbi_write_png(path.c_str(), bitmap.width, bitmap.height, 4, rgba.data(),
                          bitmap.width * 4) != 0;
}

} // namespace frakle::gui
