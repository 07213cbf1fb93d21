// What the benchmarks that run whole operations share: dialogs that agree to every question,
// and the process's own resource counts, read from /proc, to show that nothing grows.
#pragma once

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Dialogs.h"

// Answers every question with OK or Yes and opens no file dialog. Given a name, an error box
// is noted on stderr under that name; without one, nothing is shown.
class TAgreeingDialogs : public TDialogs {
public:
    explicit TAgreeingDialogs(const char* reporter = nullptr) : reporter_(reporter) {}
    void Error(const std::string&) override { NoteError(); }
    void Information(const std::string&) override {}
    void Warning(const std::string&) override {}
    void ExclamationError(const std::string&) override { NoteError(); }
    Answer OkCancel(const std::string&) override { return Answer::Ok; }
    Answer YesNo(const std::string&) override { return Answer::Yes; }
    Answer YesNoIgnore(const std::string&) override { return Answer::Yes; }
    bool OpenFile(const FileDialogRequest&, std::string&) override { return false; }
    bool SaveFile(const FileDialogRequest&, std::string&) override { return false; }

private:
    void NoteError() const {
        if (reporter_) std::fprintf(stderr, "%s: an error was shown\n", reporter_);
    }
    const char* reporter_;
};

// Entries of a /proc/self folder, without "." and ".."; -1 when it cannot be read.
inline int ProcEntries(const char* folderPath) {
    DIR* folder = opendir(folderPath);
    if (!folder) return -1;
    int count = 0;
    while (dirent* entry = readdir(folder)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(folder);
    return count;
}

// Open descriptors of this process (not counting the one the count itself holds).
inline int OpenDescriptors() { return ProcEntries("/proc/self/fd") - 1; }

inline int Threads() { return ProcEntries("/proc/self/task"); }

// Resident memory in KiB, -1 when unknown.
inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}
