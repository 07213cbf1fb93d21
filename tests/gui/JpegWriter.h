// Writes small JPEG files of one colour with libjpeg, for the picture tests.
#pragma once

#include <jpeglib.h>

#include <cstdio>
#include <string>
#include <vector>

// An RGB (or, with gray, a one-channel) JPEG of width x height pixels; false when the file
// cannot be created.
inline bool WriteJpeg(const std::string& path, int width, int height, unsigned char r,
                      unsigned char g, unsigned char b, bool gray = false) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = gray ? 1 : 3;
    info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * info.input_components);
    for (int x = 0; x < width; ++x) {
        if (gray) {
            row[x] = r;
        } else {
            row[3 * x] = r, row[3 * x + 1] = g, row[3 * x + 2] = b;
        }
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}
