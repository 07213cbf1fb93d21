// Tests of the request address handling: the split into host and object path, and the
// escaping of the path for the request line.
#include <gtest/gtest.h>

#include "HttpUrl.h"

namespace {

TEST(HttpUrlTest, SplitsHostAndPath) {
    struct TCase {
        const char* url;
        const char* host;
        const char* path;
    };
    for (const TCase& c : {
             TCase{"http://192.168.0.1/read_maf.cgi", "192.168.0.1", "/read_maf.cgi"},
             TCase{"hTtP://192.168.0.1/a/b?c=d/e", "192.168.0.1", "/a/b?c=d/e"},
             TCase{"192.168.0.1/x", "192.168.0.1", "/x"},
             TCase{"http://192.168.0.1:8080/x", "192.168.0.1:8080", "/x"},  // no port is read
             TCase{"http:// 192.168.0.1 /x", " 192.168.0.1 ", "/x"},        // blanks are kept
             TCase{"http://192.168.0.1", "", "192.168.0.1"},                // no "/": no host
             TCase{"https://ap/x", "https:", "//ap/x"},
         }) {
        THTTPAddress address = SplitHTTPURL(c.url);
        EXPECT_EQ(address.Host, c.host) << c.url;
        EXPECT_EQ(address.Path, c.path) << c.url;
    }
}

TEST(HttpUrlTest, EscapesWhatCannotStandOnTheRequestLine) {
    EXPECT_EQ(EncodeRequestPath("/read_maf.cgi"), "/read_maf.cgi");
    EXPECT_EQ(EncodeRequestPath("/a b\t#c"), "/a%20b%09%23c");
    EXPECT_EQ(EncodeRequestPath("/\x82\xA0\x7F"), "/%82%A0%7F");
    EXPECT_EQ(EncodeRequestPath("/q?x=1&y=%41"), "/q?x=1&y=%41");
    EXPECT_EQ(EncodeRequestPath("/100%"), "/100%25");
    EXPECT_EQ(EncodeRequestPath("/%4z"), "/%254z");
    EXPECT_EQ(EncodeRequestPath("192.168.0.1"), "/192.168.0.1");
}

}  // namespace
