#include "FileSystem.h"

#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

std::uint64_t SizeOf(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
}

// Escapes the characters that glob would read as a bracket expression or an escape, so
// that only "*" and "?" act as wildcards.
std::string EscapeForGlob(const std::string& pattern) {
    std::string escaped;
    for (char c : pattern) {
        if (c == '[' || c == ']' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

std::optional<std::uint64_t> FindFirstFileSize(const std::string& pathOrPattern) {
    if (pathOrPattern.empty()) return std::nullopt;
    struct stat info {};
    if (!HasWildcard(pathOrPattern)) {
        if (stat(pathOrPattern.c_str(), &info) != 0) return std::nullopt;
        return SizeOf(info);
    }
    glob_t matches{};
    std::optional<std::uint64_t> size;
    if (glob(EscapeForGlob(pathOrPattern).c_str(), GLOB_PERIOD, nullptr, &matches) == 0) {
        for (size_t i = 0; i < matches.gl_pathc && !size; ++i) {
            if (stat(matches.gl_pathv[i], &info) == 0) size = SizeOf(info);
        }
    }
    globfree(&matches);
    return size;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ProgramFilePath() {
    char buffer[PATH_MAX + 1] = {};
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) return std::string();
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ProgramFolder() {
    std::string path = ProgramFilePath();
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::ptrdiff_t ReadFully(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    char* bytes = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = offset < 0 ? read(fd, bytes + got, size - got)
                               : pread(fd, bytes + got, size - got,
                                       static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(got);
}
