// Filter files, the filter text file MAF.TXT and the lines of the access point's filter reply.
#include "MafFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "AppStrings.h"
#include "FileError.h"
#include "JConvert.h"
#include "SafeFiles.h"
#include "Utils.h"

namespace {

constexpr char kCtrlZ = '\x1A';

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string LineQuestion(const char* message, int lineNumber, const std::string& line) {
    return AppText(message) + "\r" + AppText(AppStrings::MafFileLineNumber) +
           std::to_string(lineNumber) + "\r" + line + "\r\r" + AppText(AppStrings::MafFileContinue);
}

class TFileDescriptor {
public:
    TFileDescriptor(const std::string& path, int flags) : path_(path) {
        fd_ = open(path.c_str(), flags | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFileError(path, errno);
    }
    ~TFileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    void WriteAll(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t written = write(fd_, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) throw EFileError(path_, errno);
            done += static_cast<std::size_t>(written);
        }
    }
    std::string ReadAll() {
        std::string bytes;
        char piece[65536];
        for (;;) {
            ssize_t got = read(fd_, piece, sizeof piece);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw EFileError(path_, errno);
            if (got == 0) return bytes;
            bytes.append(piece, static_cast<std::size_t>(got));
        }
    }
    // A failed close may mean the data did not reach the file.
    void Close() {
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) throw EFileError(path_, errno);
    }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

std::vector<std::string> SplitMafFileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t end = bytes.find(kCtrlZ);
    if (end == std::string::npos) end = bytes.size();
    std::size_t start = 0;
    while (start < end) {
        std::size_t stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string::npos || stop > end) stop = end;
        lines.push_back(bytes.substr(start, stop - start));
        start = stop + 1;
        if (stop < end && bytes[stop] == '\r' && start < end && bytes[start] == '\n') ++start;
    }
    return lines;
}

TMafReadEnd AppendMafFileEntries(const std::string& bytes, TMafEntries& entries,
                                 const TMafLineQuestion& ask) {
    std::set<std::string> known;
    std::string first, second, memo;
    for (const std::string& entry : entries) {
        ParseMafLine(entry, first, second, memo);
        known.insert(UpperAscii(first + "-" + second));
    }
    bool suppress = false;
    int lineNumber = 0;
    // Asks about a bad line unless told to ignore them; false to stop reading.
    auto goOn = [&](const char* message, const std::string& line) {
        if (suppress) return true;
        TDialogs::Answer answer = ask(LineQuestion(message, lineNumber, line));
        if (answer == TDialogs::Answer::Ignore) suppress = true;
        return answer == TDialogs::Answer::Yes || answer == TDialogs::Answer::Ignore;
    };
    for (const std::string& line : SplitMafFileLines(bytes)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        ParseMafLine(line, first, second, memo);
        std::string address = first + "-" + second;
        if (!IsValidMacHalves(first, second)) {
            if (!goOn(AppStrings::MafFileBadAddress, line)) return TMafReadEnd::Stopped;
            continue;
        }
        if (known.count(UpperAscii(address)) != 0) {
            if (!goOn(AppStrings::MafDuplicate, line)) return TMafReadEnd::Stopped;
            continue;
        }
        if (entries.size() >= static_cast<std::size_t>(MafEntryLimit)) {
            return TMafReadEnd::LimitReached;
        }
        known.insert(UpperAscii(address));
        entries.push_back(address + " " + memo.substr(0, MafMemoLimit));
    }
    return TMafReadEnd::Finished;
}

std::string ReadWholeFile(const std::string& path) {
    TFileDescriptor file(path, O_RDONLY);
    return file.ReadAll();
}

std::string MafFileNameWithExtension(const std::string& chosen) {
    std::string::size_type slash = chosen.rfind('/');
    std::string::size_type nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string::size_type dot = chosen.rfind('.');
    bool hasExtension = dot != std::string::npos && dot > nameStart;
    return hasExtension ? chosen : chosen + AppStrings::MafFileExtension;
}

std::string MafFileBytes(const TMafEntries& entries) {
    std::string bytes;
    for (const std::string& entry : entries) bytes += entry + "\r\n";
    return bytes;
}

void WriteMafFile(const std::string& path, const TMafEntries& entries) {
    WriteFileReplacing(path, MafFileBytes(entries));
}

std::string MafTextFileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += SjisToEuc(line) + "\n";
    return bytes;
}

bool WriteMafTextFile(const std::vector<std::string>& lines, const std::string& path) {
    TFileDescriptor file(path, O_WRONLY | O_CREAT | O_TRUNC);
    file.WriteAll(MafTextFileBytes(lines));
    file.Close();
    return true;
}

std::vector<std::string> MafReplyLines(const std::string& reply) {
    // An access point that ends its lines with CR LF must not leave a CR at the end of every
    // memo (shown in the editor, written to filter files and sent back).
    std::string text;
    text.reserve(reply.size());
    for (std::size_t i = 0; i < reply.size(); ++i) {
        if (reply[i] == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n') continue;
        text += reply[i];
    }
    std::vector<std::string> items;
    SplitString(text, '\n', items);
    std::vector<std::string> lines;
    for (std::size_t i = 1; i < items.size(); ++i) lines.push_back(EucToSjis(items[i]));
    return lines;
}
