// The widget boundary for text: widgets hold Unicode, the system's text is Shift_JIS bytes, and
// file names are the file system's own bytes (UTF-8 on Linux) so that every existing file can
// be named.
#pragma once

#include <QString>
#include <string>

// Widget text to Shift_JIS and back.
std::string Sjis(const QString& text);
QString FromSjis(const std::string& sjis);

// A resource string (UTF-8) for a widget.
inline QString UiText(const char* utf8) { return QString::fromUtf8(utf8); }

// A file name typed or chosen in a widget to the bytes the file system takes, and back.
std::string NativePath(const QString& path);
QString FromNativePath(const std::string& path);
