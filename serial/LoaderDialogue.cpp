// TLoaderUpload: the acknowledged block upload of a loader to the boot code.
#include "LoaderDialogue.h"

#include <utility>

TLoaderError AckCode(std::uint8_t byte) {
    switch (byte) {
        case LoaderWire::FlashAccessError:
            return leFlashAccess;
        case LoaderWire::RefusedHash:
            return leRefusedHash;
        case LoaderWire::RefusedPercent:
            return leRefusedPercent;
        default:
            return leNone;
    }
}

std::uint8_t BlockChecksum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

TLoaderUpload::TLoaderUpload(std::uint64_t fileSize, TBlockReader reader)
    : fileSize_(fileSize), reader_(std::move(reader)) {}

TLoaderUpload::TAction TLoaderUpload::Finish(TLoaderError code) {
    phase_ = TPhase::Finished;
    code_ = code;
    return TAction{TStep::Finished, {}, 0, code};
}

int TLoaderUpload::PercentSent() const {
    // A file that grew while it was sent, or an empty one, cannot pass 100.
    if (fileSize_ == 0 || sent_ >= fileSize_) return 100;
    return static_cast<int>(sent_ * 100 / fileSize_);
}

TLoaderUpload::TAction TLoaderUpload::Next() {
    switch (phase_) {
        case TPhase::AckBeforeBlock:
        case TPhase::AckLength:
        case TPhase::AckAfterLast:
        case TPhase::AckEnd:
            return TAction{TStep::AwaitAck, {}, 0, leNone};
        case TPhase::ReadBlock: {
            block_.resize(LoaderWire::BlockSize);
            std::ptrdiff_t got = reader_ ? reader_(block_.data(), block_.size()) : 0;
            if (got < 0 || static_cast<std::size_t>(got) > LoaderWire::BlockSize)
                return Finish(leFileOpenFailed);
            block_.resize(static_cast<std::size_t>(got));
            if (block_.empty()) {
                // Nothing more in the file: the loader's size is a multiple of 1024 (or 0). The
                // acknowledgement just received follows the last block, exactly like the one
                // after a shorter last block, so the end marker goes out now. A second
                // acknowledgement would never come: the boot code acknowledges each block
                // once, then waits for the next length, and cannot know that none follows.
                phase_ = TPhase::EndMarker;
                return Next();
            }
            phase_ = TPhase::AckLength;
            const std::size_t length = block_.size();
            return TAction{
                TStep::Send,
                {static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)},
                0,
                leNone};
        }
        case TPhase::SendData:
            phase_ = TPhase::SendChecksum;
            return TAction{TStep::Send, block_, 0, leNone};
        case TPhase::SendChecksum:
            phase_ = TPhase::Report;
            sent_ += block_.size();
            return TAction{TStep::Send, {BlockChecksum(block_.data(), block_.size())}, 0, leNone};
        case TPhase::Report:
            phase_ = block_.size() == LoaderWire::BlockSize ? TPhase::AckBeforeBlock
                                                            : TPhase::AckAfterLast;
            return TAction{TStep::Report, {}, PercentSent(), leNone};
        case TPhase::EndMarker:
            phase_ = TPhase::AckEnd;
            return TAction{TStep::Send, {0x00, 0x00}, 0, leNone};
        case TPhase::Finished:
            break;
    }
    return TAction{TStep::Finished, {}, 0, code_};
}

void TLoaderUpload::Acknowledged(std::uint8_t byte) {
    const TLoaderError code = AckCode(byte);
    switch (phase_) {
        case TPhase::AckBeforeBlock:
            phase_ = TPhase::ReadBlock;
            break;
        case TPhase::AckLength:
            phase_ = TPhase::SendData;
            break;
        case TPhase::AckAfterLast:
            phase_ = TPhase::EndMarker;
            break;
        case TPhase::AckEnd:
            Finish(code);
            return;
        default:
            return;  // no acknowledgement was awaited
    }
    if (code != leNone) Finish(code);
}
