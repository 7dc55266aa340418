#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hostaq {

// Reads lines, fixed-size blocks and packets from a byte stream, each read bounded by a
// time-out. The socket is one stream; a byte buffer is another, so the protocol readers built
// on this run the same way over a connection, a test buffer or a fuzzer's input.
class TByteReader {
public:
    // A line longer than this fails with 10040 ("Message too long").
    static constexpr std::size_t DefaultMaxLineLength = 16384;

    virtual ~TByteReader() = default;

    // One line without its end; LF and CR LF both end a line. The whole line must arrive within
    // timeoutMs. False on time-out (10060), close, error or an over-long line (10040).
    bool RecvString(std::string& line, int timeoutMs);
    // Appends exactly count bytes; each packet must arrive within timeoutMs.
    bool RecvBufferEx(std::string& out, std::size_t count, int timeoutMs);
    // Appends the bytes that arrive next (at least one). False on time-out, error or close; a
    // close by the peer also sets PeerClosed().
    bool RecvPacket(std::string& out, int timeoutMs);

    // The last error (0 = none). A close by the peer counts as 10054.
    int LastError() const { return lastError_; }
    bool PeerClosed() const { return peerClosed_; }
    // Bytes already received and not yet consumed.
    std::size_t WaitingData() const { return buffer_.size(); }

    std::size_t MaxLineLength = DefaultMaxLineLength;

protected:
    // Appends what the stream has next to buffer, waiting at most timeoutMs. Returns the number
    // of bytes added, 0 when the peer closed the stream, or -1 after SetLastError().
    virtual long Fill(std::string& buffer, int timeoutMs) = 0;

    void SetLastError(int code) { lastError_ = code; }
    // Drops buffered bytes and the close mark (a new connection); keeps the last error.
    void ResetReadState();

private:
    bool FillSome(int timeoutMs);

    std::string buffer_;
    int lastError_ = 0;
    bool peerClosed_ = false;
};

// A stream over a fixed byte buffer: the buffer is the whole answer and the peer closes after it.
class TBufferReader : public TByteReader {
public:
    explicit TBufferReader(std::string_view data, std::size_t pieceSize = 0)
        : data_(data), pieceSize_(pieceSize) {}

protected:
    long Fill(std::string& buffer, int timeoutMs) override;

private:
    std::string_view data_;
    std::size_t pieceSize_; // 0 = all at once
};

} // namespace hostaq
