#pragma once

#include "net/ByteReader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// A response body past this size fails the request with 10040 ("Message too long"); so does a
// header block past it. A single header line is capped by TByteReader::DefaultMaxLineLength.
inline constexpr std::size_t MaxResponseBody = 1048576;

// One HTTP answer as the client reads it.
struct THttpResponse {
    int ResultCode = 500;
    std::string ResultString;
    // The status line and the header lines, without line ends.
    std::vector<std::string> Headers;
    std::string Document;
    std::string MimeType = "text/html";
    // The connection must be closed after this answer.
    bool ToClose = true;
};

struct THttpResponseOptions {
    bool HeadRequest = false;  // the answer to HEAD has no body
    bool Protocol11 = false;   // the request said HTTP/1.1, so the connection may stay open
    bool SkipContinue = false; // the request sent "Expect: 100-continue": skip a 100 answer
    int Timeout = 90000;       // ms for every line or packet
};

// Reads one answer: the status line (or an HTTP/0.9 answer without one), the headers, and the
// body by its length, in chunks, or up to the close. False with error set to the reader's error
// or to 10040 when a cap is passed.
bool ReadHttpResponse(TByteReader& in, const THttpResponseOptions& options, THttpResponse& out, int& error);

// The same over a buffer holding everything the server sent before it closed the connection.
bool ParseHttpResponse(std::string_view bytes, const std::string& method, THttpResponse& out, int& error);

} // namespace hostaq
