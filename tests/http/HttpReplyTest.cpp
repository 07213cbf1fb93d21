// Tests of the reply processing: the announced size from the reply head, and the body cut into
// blocks of 1025 bytes with its upper bound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HttpReply.h"

namespace {

THTTPReplyHead HeadOf(const std::vector<std::string>& lines) {
    THTTPReplyHead head;
    for (const std::string& line : lines) head.AddLine(line.data(), line.size());
    return head;
}

TEST(HttpReplyTest, ContentLengthIsADecimalNumber) {
    std::int32_t size = -1;
    EXPECT_TRUE(ParseContentLength(" \t123 \r\n", size));
    EXPECT_EQ(size, 123);
    EXPECT_TRUE(ParseContentLength("2147483647", size));
    EXPECT_EQ(size, 2147483647);
    for (const char* bad :
         {"", " ", "2147483648", "99999999999999999999", "-1", "+5", "12abc", "0x10", "1 2"}) {
        EXPECT_FALSE(ParseContentLength(bad, size)) << bad;
    }
}

TEST(HttpReplyTest, HeadGivesTheAnnouncedSize) {
    THTTPReplyHead head =
        HeadOf({"HTTP/1.0 200 OK\r\n", "content-LENGTH:  42\r\n", "Content-Length: 7\r\n", "\r\n"});
    EXPECT_EQ(head.LengthState(), TContentLength::Valid);
    EXPECT_EQ(head.AnnouncedSize(), 42);  // the first one counts

    head = HeadOf({"HTTP/1.0 200 OK\r\n", "Content-Lengthy: 5\r\n", "X-Content-Length: 5\r\n"});
    EXPECT_EQ(head.LengthState(), TContentLength::Missing);

    head = HeadOf({"HTTP/1.0 200 OK\r\n", "Content-Length: unknown\r\n"});
    EXPECT_EQ(head.LengthState(), TContentLength::Invalid);
    EXPECT_EQ(head.AnnouncedSize(), 0);

    // An interim reply's size must not stick to the final one.
    head = HeadOf({"HTTP/1.1 401 Unauthorized\r\n", "Content-Length: 99\r\n", "\r\n",
                   "HTTP/1.1 200 OK\r\n", "\r\n"});
    EXPECT_EQ(head.LengthState(), TContentLength::Missing);
}

std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(i * 31 + (i >> 9));
    return text;
}

TEST(HttpReplyTest, BodyArrivesInFullBlocksOf1025AndAShortLastOne) {
    for (std::size_t size : {3000u, 2050u, 0u}) {
        const std::string body = Pattern(size);
        // However the network happens to cut it.
        for (std::size_t piece : {1u, 1024u, 1025u, 1026u, 4000u}) {
            THTTPBodyBlocks blocks(HTTPTextReplyLimit);
            std::vector<std::string> got;
            auto sink = [&got](const char* data, std::size_t length) {
                got.emplace_back(data, length);
                return true;
            };
            for (std::size_t at = 0; at < size; at += piece) {
                ASSERT_TRUE(blocks.Append(body.data() + at, std::min(piece, size - at), sink));
            }
            ASSERT_TRUE(blocks.Finish(sink));
            std::string joined;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].size(), i + 1 < got.size() ? 1025u : (size - 1) % 1025 + 1);
                joined += got[i];
            }
            EXPECT_EQ(got.size(), (size + 1024) / 1025);
            EXPECT_EQ(joined, body);
        }
    }
}

TEST(HttpReplyTest, SinkCanStopTheBody) {
    THTTPBodyBlocks blocks(HTTPTextReplyLimit);
    int calls = 0;
    const std::string body = Pattern(5000);
    EXPECT_FALSE(blocks.Append(body.data(), body.size(),
                               [&](const char*, std::size_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST(HttpReplyTest, BodyIsBoundedByItsLimit) {
    const std::string body = Pattern(4000);
    std::size_t delivered = 0;
    auto sink = [&delivered](const char*, std::size_t size) {
        delivered += size;
        return true;
    };
    THTTPBodyBlocks exact(4000);
    EXPECT_TRUE(exact.Append(body.data(), body.size(), sink) && exact.Finish(sink));
    EXPECT_EQ(delivered, 4000u);

    delivered = 0;
    THTTPBodyBlocks over(3999);
    EXPECT_TRUE(over.Append(body.data(), 3000, sink));
    EXPECT_FALSE(over.Append(body.data() + 3000, 1000, sink));
    EXPECT_TRUE(over.OverLimit());
    EXPECT_FALSE(over.Finish(sink));
    EXPECT_EQ(delivered, 2050u);  // neither the bytes past the limit nor the held-back tail
}

}  // namespace
