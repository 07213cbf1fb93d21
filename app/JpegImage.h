// Decodes the optional JPEG pictures beside the program (logo.jpg, image.jpg) with libjpeg.
// A file that is missing, damaged, cut short or unreasonably large gives a null image; the
// decoder never aborts the program.
#pragma once

#include <QImage>
#include <string>

// Largest picture accepted, in pixels; larger headers are refused before any memory is taken.
constexpr long long kMaxJpegPixels = 16LL * 1024 * 1024;

QImage LoadJpegImage(const std::string& path);
