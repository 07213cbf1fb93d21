// THTTPRequest: the parameters of one HTTP request, copied from the component's properties when
// its worker is created, so that later changes of the properties do not reach a running request.
#pragma once

#include <string>

struct THTTPRequest {
    std::string AcceptTypes;
    std::string Agent;
    std::string URL;
    std::string FileName;
    std::string UserName;
    std::string Password;
    std::string PostQuery;
    std::string Referer;
    bool BinaryData = false;
    bool UseCache = false;
    // Write the body to FileName instead of collecting it as text.
    bool FileMode = false;
};
