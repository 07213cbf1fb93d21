// Basic authentication of the simulated access point's pages.
#pragma once

#include <string>

// The Base64 form of the bytes (standard alphabet, with padding).
std::string Base64Encode(const std::string& bytes);

// True when the Authorization header value carries Basic credentials user:password.
bool IsBasicAuthorized(const std::string& authorization, const std::string& user,
                       const std::string& password);
