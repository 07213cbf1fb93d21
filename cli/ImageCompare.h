// The comparison behind "verify": an image read back from the access point against a file,
// byte for byte, with the first offset at which they part and the bytes found there.
#pragma once

#include <cstdint>
#include <string>

struct TImageComparison {
    bool Identical = false;
    std::uint64_t FileSize = 0;
    std::uint64_t ImageSize = 0;
    // The first offset that differs, or where the shorter one ends; meaningless when identical.
    std::uint64_t Offset = 0;
    int FileByte = -1;   // the byte at Offset in the file, -1 past its end
    int ImageByte = -1;  // the byte at Offset in the image, -1 past its end
};

// Compares the two files in blocks without reading either whole. Failures raise EFileError.
TImageComparison CompareImageFiles(const std::string& file, const std::string& image);

// The report of a comparison: a few lines naming both sides and the outcome.
std::string ComparisonReport(const TImageComparison& comparison, const std::string& file,
                             const std::string& source);
