// TLoaderUpload without a line: the rules the wire tests cannot reach (a file that fails to
// read, a file that grows), and the meaning of acknowledgement bytes.
#include <gtest/gtest.h>

#include <vector>

#include "LoaderDialogue.h"

TEST(LoaderUpload, AcknowledgementBytesAndChecksum) {
    EXPECT_EQ(AckCode('$'), 0);
    EXPECT_EQ(AckCode('!'), 4);
    EXPECT_EQ(AckCode('#'), 2);
    EXPECT_EQ(AckCode('%'), 3);
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == '!' || byte == '#' || byte == '%') continue;
        EXPECT_EQ(AckCode(static_cast<std::uint8_t>(byte)), 0) << byte;
    }
    const std::uint8_t data[] = {0xFF, 0x02, 0x10};
    EXPECT_EQ(BlockChecksum(data, 3), 0x11);
}

TEST(LoaderUpload, AFileThatCannotBeReadIsNeverReportedAsSent) {
    int calls = 0;
    TLoaderUpload upload(3000, [&calls](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
        if (++calls == 2) return -1;  // the second block fails to read
        for (std::size_t i = 0; i < size; ++i) buffer[i] = 1;
        return static_cast<std::ptrdiff_t>(size);
    });
    std::vector<TLoaderUpload::TStep> steps;
    for (int guard = 0; guard < 20; ++guard) {
        auto action = upload.Next();
        steps.push_back(action.Step);
        if (action.Step == TLoaderUpload::TStep::AwaitAck) upload.Acknowledged('$');
        if (action.Step == TLoaderUpload::TStep::Finished) {
            EXPECT_EQ(action.Code, leFileOpenFailed);
            break;
        }
    }
    ASSERT_EQ(steps.back(), TLoaderUpload::TStep::Finished);
    EXPECT_EQ(upload.SentBytes(), 1024u);
}

TEST(LoaderUpload, PercentStopsAt100WhenTheFileGrew) {
    int blocks = 0;
    TLoaderUpload upload(1024, [&blocks](std::uint8_t*, std::size_t size) -> std::ptrdiff_t {
        return ++blocks <= 2 ? static_cast<std::ptrdiff_t>(size) : 0;
    });
    std::vector<int> percents;
    for (int guard = 0; guard < 30; ++guard) {
        auto action = upload.Next();
        if (action.Step == TLoaderUpload::TStep::AwaitAck) upload.Acknowledged('$');
        if (action.Step == TLoaderUpload::TStep::Report) percents.push_back(action.Percent);
        if (action.Step == TLoaderUpload::TStep::Finished) break;
    }
    EXPECT_EQ(percents, (std::vector<int>{100, 100}));
}
