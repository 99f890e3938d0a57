// Writes straight (non-premultiplied) 8-bit RGBA pixels as a PNG with libpng. The file holds no
// time or text chunks, so the same pixels always give the same bytes.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace tools {

// pixels: width * height * 4 bytes, rows top to bottom. Returns false on any failure.
inline bool writePng(const char* path, int width, int height, const std::vector<uint8_t>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height) * 4) return false;
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok) {
        // libpng reports errors by longjmp; everything below is plain data, nothing to unwind.
        if (setjmp(png_jmpbuf(png))) {
            ok = false;
        } else {
            png_init_io(png, file);
            png_set_compression_level(png, 9);
            png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA,
                         PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            for (int y = 0; y < height; ++y)
                png_write_row(png, pixels.data() + size_t(y) * size_t(width) * 4);
            png_write_end(png, nullptr);
        }
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (std::fclose(file) != 0) ok = false;
    if (!ok) std::remove(path);
    return ok;
}

}  // namespace tools
