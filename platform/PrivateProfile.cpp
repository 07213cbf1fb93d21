// TPrivateProfile: parsing, lookup, in-place update and saving of settings files.
#include "PrivateProfile.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "SafeFiles.h"

namespace {

constexpr char kBlanks[] = " \t";

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return std::string();
    std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The name inside "[name]", or false when the line is no section header.
bool SectionName(const std::string& line, std::string& name) {
    std::string text = Trim(line);
    if (text.size() < 2 || text.front() != '[') return false;
    std::size_t close = text.find(']');
    if (close == std::string::npos) return false;
    name = Trim(text.substr(1, close - 1));
    return true;
}

// Comment lines start with ";" (or "#", as hand-edited files on this platform often do).
bool IsComment(const std::string& line) {
    std::string text = Trim(line);
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

// Splits "key = value"; false for a line without "=" or a comment.
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    if (IsComment(line)) return false;
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

TPrivateProfile::TPrivateProfile(const std::string& text) {
    if (text.empty()) return;
    std::size_t firstEnd = text.find('\n');
    if (firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r')
        lineEnd_ = "\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
        if (end == std::string::npos) {
            finalLineEnd_ = false;
            break;
        }
        start = end + 1;
    }
}

TPrivateProfile TPrivateProfile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return TPrivateProfile();
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return TPrivateProfile();
    return TPrivateProfile(text.str());
}

int TPrivateProfile::FindSection(const std::string& section) const {
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], name) && SameName(name, section)) return static_cast<int>(i);
    }
    return -1;
}

int TPrivateProfile::FindKey(int header, const std::string& key) const {
    std::string name, value;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], name)) break;
        if (KeyLine(lines_[i], name, value) && SameName(name, key)) return static_cast<int>(i);
    }
    return -1;
}

int TPrivateProfile::SectionEnd(int header) const {
    std::string name;
    int end = header + 1;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], name)) break;
        if (!Trim(lines_[i]).empty()) end = static_cast<int>(i) + 1;
    }
    return end;
}

std::string TPrivateProfile::ReadString(const std::string& section, const std::string& key,
                                        const std::string& defaultValue) const {
    std::string value = defaultValue;
    int header = FindSection(section);
    int line = header < 0 ? -1 : FindKey(header, key);
    if (line >= 0) {
        std::string name;
        KeyLine(lines_[static_cast<std::size_t>(line)], name, value);
        value = Unquoted(value);
    }
    if (value.size() > ValueBufferSize - 1) value.resize(ValueBufferSize - 1);
    return value;
}

void TPrivateProfile::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value) {
    const std::string entry = key + "=" + value;
    int header = FindSection(section);
    if (header < 0) {
        // A new section goes at the end, after a blank line when the file has text.
        if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back(std::string());
        lines_.push_back("[" + section + "]");
        lines_.push_back(entry);
        finalLineEnd_ = true;
        return;
    }
    int line = FindKey(header, key);
    if (line >= 0) {
        lines_[static_cast<std::size_t>(line)] = entry;
        return;
    }
    int end = SectionEnd(header);
    if (static_cast<std::size_t>(end) == lines_.size()) finalLineEnd_ = true;
    lines_.insert(lines_.begin() + end, entry);
}

std::string TPrivateProfile::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i];
        if (i + 1 < lines_.size() || finalLineEnd_) text += lineEnd_;
    }
    return text;
}

void TPrivateProfile::Save(const std::string& path) const { WriteFileReplacing(path, Text()); }

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path) {
    return TPrivateProfile::Load(path).ReadString(section, key, defaultValue);
}

void WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path) {
    TPrivateProfile profile = TPrivateProfile::Load(path);
    profile.WriteString(section, key, value);
    profile.Save(path);
}
