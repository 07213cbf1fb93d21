// libjpeg decoding into QImage. libjpeg reports fatal errors through error_exit, which must not
// return: it jumps back to the decoder with longjmp, and everything the jump skips is plain C
// state that jpeg_destroy_decompress and fclose release. Corrupt-data warnings count as damage
// too, so a half-decoded picture is never shown.
#include "JpegImage.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace {

struct TJpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->jump, 1);
}

// libjpeg would print warnings to stderr; they are only counted.
void CountWarning(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Adobe CMYK JPEGs store the inks inverted; each ink darkens its colour channel.
QRgb CmykToRgb(const JSAMPLE* cmyk, bool inverted) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
        c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    }
    return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

// Copies one decoded scan line into the image row.
void StoreRow(const jpeg_decompress_struct& info, const JSAMPLE* row, QImage& image, int y) {
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
        const JSAMPLE* pixel = row + x * info.output_components;
        if (info.out_color_space == JCS_CMYK) {
            out[x] = CmykToRgb(pixel, info.saw_Adobe_marker);
        } else {
            out[x] = qRgb(pixel[0], pixel[1], pixel[2]);
        }
    }
}

// The decoding proper; separate from the caller so that no C++ object with a destructor lives
// in the frame that longjmp leaves.
bool Decode(std::FILE* file, QImage& image) {
    jpeg_decompress_struct info{};
    TJpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOnError;
    error.manager.emit_message = CountWarning;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (static_cast<long long>(info.image_width) * info.image_height > kMaxJpegPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB32);
    JSAMPARRAY buffer =
        (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                  info.output_width * info.output_components, 1);
    while (info.output_scanline < info.output_height) {
        int y = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, buffer, 1);
        StoreRow(info, buffer[0], image, y);
    }
    jpeg_finish_decompress(&info);
    bool clean = error.manager.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return clean;
}

}  // namespace

QImage LoadJpegImage(const std::string& path) {
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return QImage();
    QImage image;
    if (!Decode(file.get(), image) || image.isNull()) return QImage();
    return image;
}
