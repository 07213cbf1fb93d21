// HTTP in the diagnostic log: the request and the reply's status line, never the credentials
// or the form data.
#include <gtest/gtest.h>

#include <string>

#include "DiagnosticLog.h"
#include "HttpTestSupport.h"
#include "TempDir.h"

class HttpLogTest : public THttpTest {};

TEST_F(HttpLogTest, TracesRequestAndStatusLineWithoutCredentials) {
    TempDir dir;
    StartSimulator("127.0.12.1", nullptr, "firmware_update.cgi");
    get_.Password = "s3cret-pw";
    get_.PostQuery = "KeepUserSetting=1&DoUpdate=1";
    ASSERT_TRUE(OpenDiagnosticLog(dir.Path("trace.log")));
    EXPECT_TRUE(Request());
    CloseDiagnosticLog();
    const std::string text = TempDir::Read(dir.Path("trace.log"));
    EXPECT_NE(text.find("[http] POST http://127.0.12.1/firmware_update.cgi (28 bytes of form "
                        "data)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[http] HTTP/1."), std::string::npos) << text;
    for (const char* secret :
         {"s3cret-pw", "cm9vdDpzM2NyZXQtcHc=", "KeepUserSetting", "Authorization"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
}
