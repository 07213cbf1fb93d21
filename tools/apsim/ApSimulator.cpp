// The simulated access point: its sides, their start and stop, and its report.
#include "ApSimulator.h"

#include <fstream>
#include <iterator>

#include "ApSimHttpSide.h"
#include "ApSimStreamSide.h"

std::string GenerateApSimImage(std::int64_t size) {
    std::string image(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 7 + (i >> 8) * 13 + (i >> 16)) & 0xFF);
    }
    return image;
}

bool LoadApSimImage(const TApSimOptions& options, std::string& image, std::string& error) {
    if (options.ImageFile.empty()) {
        image = GenerateApSimImage(options.ImageSize);
        return true;
    }
    std::ifstream file(options.ImageFile, std::ios::binary);
    if (!file) {
        error = "cannot read the image " + options.ImageFile;
        return false;
    }
    image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

namespace {

bool LoadFilterLines(const TApSimOptions& options, std::vector<std::string>& lines,
                     std::string& error) {
    if (options.FilterFile.empty()) {
        lines = options.FilterLines;
        if (lines.empty() && options.UseDefaultFilter) lines = TApSimFilterList::SampleLines();
        return true;
    }
    std::ifstream file(options.FilterFile, std::ios::binary);
    if (!file) {
        error = "cannot read the filter list " + options.FilterFile;
        return false;
    }
    lines = SplitFilterText(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    return true;
}

}  // namespace

TApSimulator::TApSimulator(const TApSimOptions& options) : options_(options) {}

TApSimulator::~TApSimulator() { Stop(); }

bool TApSimulator::AddNetworkSides(std::string& error) {
    std::string image;
    std::vector<std::string> lines;
    if (!LoadApSimImage(options_, image, error) || !LoadFilterLines(options_, lines, error)) {
        return false;
    }
    filterList_.SetLines(lines);
    auto stream =
        std::make_unique<TApSimStreamSide>(options_, report_, filterList_, std::move(image));
    stream_ = stream.get();
    AddSide(std::move(stream));
    AddSide(std::make_unique<TApSimHttpSide>(options_, report_, filterList_, *stream_));
    return true;
}

void TApSimulator::AddSide(std::unique_ptr<TApSimSide> side) { sides_.push_back(std::move(side)); }

bool TApSimulator::Start(std::string& error) {
    for (; started_ < sides_.size(); ++started_) {
        std::string reason;
        if (!sides_[started_]->Start(reason)) {
            error = sides_[started_]->Name() + ": " + reason;
            Stop();
            return false;
        }
    }
    return true;
}

void TApSimulator::Stop() {
    while (started_ > 0) sides_[--started_]->Stop();
}

bool TApSimulator::WriteReport(std::string& error) const {
    if (options_.ReportFile.empty()) return true;
    return report_.WriteFile(options_.ReportFile, options_.Address, error);
}
