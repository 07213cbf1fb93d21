// URL handling of the HTTP request component: the request address "http://" host "/" path is
// split into the host name and the object path, and the path is made fit for a request line.
// No port is ever read from the address: a ":port" suffix stays part of the host name.
#pragma once

#include <string>

struct THTTPAddress {
    std::string Host;
    std::string Path;
};

// Removes a leading "http://" (in any letter case); the host is the text before the first
// "/", the path the rest from that "/" on. Without a "/" the host is empty and the path is the
// whole remaining text.
THTTPAddress SplitHTTPURL(const std::string& url);

// The object path as it goes on the request line: bytes that cannot stand there (control
// bytes, blanks, "#", "%" not followed by two hexadecimal digits, and bytes from 7F up) are
// written as "%" and two upper-case hexadecimal digits; every other byte is kept. A path that
// does not start with "/" gets one in front.
std::string EncodeRequestPath(const std::string& path);
