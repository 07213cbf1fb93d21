// The diagnostic log's lines without their time stamps, for comparing what was logged. A line
// whose stamp is not "YYYY-MM-DD HH:MM:SS.mmm " comes back as "bad stamp: " and the line.
#pragma once

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> LogLinesWithoutStamps(const std::string& text) {
    static const std::string kShape = "0000-00-00 00:00:00.000 ";
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        bool stamped = line.size() > kShape.size();
        for (std::size_t i = 0; stamped && i < kShape.size(); ++i) {
            stamped = kShape[i] == '0' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0
                                       : line[i] == kShape[i];
        }
        lines.push_back(stamped ? line.substr(kShape.size()) : "bad stamp: " + line);
    }
    return lines;
}
