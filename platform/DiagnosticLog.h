// The diagnostic log for support: a time-stamped trace of what the program does (operation
// phases and results, HTTP requests and status lines, the bytes on the serial line in hex with
// their direction). Off unless the program is started with "--log FILE" or the variable
// TIVRA_LOG names a file. Lines are appended and flushed one by one, so the trace survives a
// crash. Callers never hand it a password; the HTTP trace leaves credentials and bodies out.
//
// Any thread may log; lines never interleave.
#pragma once

#include <cstddef>
#include <string>

// Starts logging to path (appending; the file is made readable by its owner only). False with
// errno when the file cannot be opened; logging then stays off.
bool OpenDiagnosticLog(const std::string& path);
void CloseDiagnosticLog();

// True while a log is open; hooks test this first, so a program without a log pays nothing.
bool DiagnosticLogOn();

// "2026-12-07 13:40:01.123 [topic] text": one line (line breaks in text become " / ").
void LogLine(const char* topic, const std::string& text);

// "[topic] what failed: <system error text>"; errno is kept, and the result is always false,
// so a failing call can log and report in one line.
bool LogFailure(const char* topic, const std::string& what);

// A serial transfer: "[serial] > 44 4F 52 42 41" ('>' sent, '<' received). At most 256 bytes
// are written out per call; the rest is counted ("... 1024 bytes in all").
void LogSerialBytes(char direction, const void* data, std::size_t count);

// The bytes as "44 4F 52", at most limit of them, then " ... N bytes in all" when cut.
std::string HexBytes(const void* data, std::size_t count, std::size_t limit);

// The log file named by the command line ("--log FILE" or "--log=FILE"), else by TIVRA_LOG;
// empty when none.
std::string DiagnosticLogRequest(int argc, char** argv);
