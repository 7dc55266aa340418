#include "net/ByteReader.h"

#include "net/NetErrors.h"

#include <algorithm>
#include <chrono>

namespace hostaq {

namespace {

using TSteady = std::chrono::steady_clock;

int RemainingMs(TSteady::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

void TByteReader::ResetReadState() {
    buffer_.clear();
    peerClosed_ = false;
}

bool TByteReader::FillSome(int timeoutMs) {
    long got = Fill(buffer_, timeoutMs);
    if (got > 0)
        return true;
    if (got == 0) {
        peerClosed_ = true;
        lastError_ = WsaEConnReset;
    }
    return false;
}

bool TByteReader::RecvString(std::string& line, int timeoutMs) {
    lastError_ = 0;
    line.clear();
    auto deadline = TSteady::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::size_t scanned = 0;
    for (;;) {
        auto lf = buffer_.find('\n', scanned);
        if (lf != std::string::npos) {
            std::size_t len = lf;
            if (len > 0 && buffer_[len - 1] == '\r')
                --len;
            if (len > MaxLineLength) {
                lastError_ = WsaEMsgSize;
                return false;
            }
            line.assign(buffer_, 0, len);
            buffer_.erase(0, lf + 1);
            return true;
        }
        scanned = buffer_.size();
        // One byte more than the cap may still be the CR of the line end.
        if (buffer_.size() > MaxLineLength + 1) {
            lastError_ = WsaEMsgSize;
            return false;
        }
        if (!FillSome(RemainingMs(deadline)))
            return false;
    }
}

bool TByteReader::RecvBufferEx(std::string& out, std::size_t count, int timeoutMs) {
    lastError_ = 0;
    while (count > 0) {
        if (buffer_.empty() && !FillSome(timeoutMs))
            return false;
        std::size_t take = std::min(count, buffer_.size());
        out.append(buffer_, 0, take);
        buffer_.erase(0, take);
        count -= take;
    }
    return true;
}

bool TByteReader::RecvPacket(std::string& out, int timeoutMs) {
    lastError_ = 0;
    if (buffer_.empty() && !FillSome(timeoutMs))
        return false;
    out += buffer_;
    buffer_.clear();
    return true;
}

long TBufferReader::Fill(std::string& buffer, int /*timeoutMs*/) {
    if (data_.empty())
        return 0;
    std::size_t take = pieceSize_ == 0 ? data_.size() : std::min(pieceSize_, data_.size());
    buffer.append(data_.substr(0, take));
    data_.remove_prefix(take);
    return static_cast<long>(take);
}

} // namespace hostaq
