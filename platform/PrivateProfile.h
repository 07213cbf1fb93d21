// TPrivateProfile: a settings file of "[Section]" headers and "Key=Value" lines, read and
// updated as the Windows private-profile calls do. Section and key names match without regard
// to letter case; blanks around names and values are ignored, and a value in matching quotes
// loses them; a value is read into a buffer of 2048 characters (at most 2047 come back). A
// missing file, section or key gives the caller's default. An update replaces the key's line in
// place, adds a missing key after the last line of its section and a missing section at the end,
// and keeps every other line, comment and blank line exactly as it was. Saving writes the whole
// file anew beside the old one and renames it over it, so a file is never left half-written.
#pragma once

#include <string>
#include <vector>

class TPrivateProfile {
public:
    // Characters a value read can have, the terminating zero included.
    static constexpr std::size_t ValueBufferSize = 2048;

    TPrivateProfile() = default;
    // The text of a settings file; CRLF and LF line ends are both accepted and kept.
    explicit TPrivateProfile(const std::string& text);
    // Reads the file; a file that is missing or cannot be read gives an empty profile.
    static TPrivateProfile Load(const std::string& path);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    // The file's text as it would be saved.
    std::string Text() const;
    // Replaces the file by Text() (write, then rename); raises EFileError on failure.
    void Save(const std::string& path) const;

private:
    // Index of the section's header line, or -1.
    int FindSection(const std::string& section) const;
    // Index of the key's line inside the section that starts at header, or -1.
    int FindKey(int header, const std::string& key) const;
    // Index one past the section's last non-blank line.
    int SectionEnd(int header) const;

    std::vector<std::string> lines_;
    std::string lineEnd_ = "\n";
    bool finalLineEnd_ = true;
};

// The two calls for one value at a time, on a file.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path);
void WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path);
