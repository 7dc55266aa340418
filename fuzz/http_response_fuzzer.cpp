// Feeds arbitrary bytes to the HTTP response reader: status line, headers, chunked framing and
// the caps. The reader must never crash, hang or read past its input, whatever the server sent.
#include "net/HttpResponse.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte picks the method, so the HEAD rule is reached too.
    std::string method = (size > 0 && (data[0] & 1)) ? "HEAD" : "GET";
    hostaq::THttpResponse response;
    int error = 0;
    bool ok = hostaq::ParseHttpResponse(bytes, method, response, error);
    if (ok && response.Document.size() > hostaq::MaxResponseBody)
        __builtin_trap();
    if (!ok && error == 0)
        __builtin_trap();
    return 0;
}
