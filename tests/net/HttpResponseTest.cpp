// The response reader on byte buffers, including the fuzz corpus replay.
#include "net/HttpResponse.h"
#include "FuzzCorpus.h"
#include "net/NetErrors.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

THttpResponse Parse(const std::string& bytes, bool expectOk = true, const std::string& method = "GET") {
    THttpResponse r;
    int error = 0;
    EXPECT_EQ(ParseHttpResponse(bytes, method, r, error), expectOk) << bytes.substr(0, 80);
    if (!expectOk)
        r.ResultCode = -error;
    return r;
}

TEST(HttpResponse, StatusLineForms) {
    auto r = Parse("http/1.1 401 Unauthorized Access\r\n\r\n");
    EXPECT_EQ(r.ResultCode, 401);
    EXPECT_EQ(r.ResultString, "Unauthorized Access");
    r = Parse("HTTP/1.0 200\r\n\r\n");
    EXPECT_EQ(r.ResultCode, 200);
    EXPECT_EQ(r.ResultString, "");
    EXPECT_EQ(Parse("HTTP/1.0 abc Odd\r\n\r\n").ResultCode, 0);
    // Empty lines before the status line are skipped.
    EXPECT_EQ(Parse("\r\n\nHTTP/1.0 204 No Content\r\n\r\n").ResultCode, 204);
}

TEST(HttpResponse, LengthRules) {
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef").Document, "abc");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\ncontent-length:0\r\n\r\nabc").Document, "");
    // An unreadable length counts as none: read until the close.
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: x1\r\n\r\nabc").Document, "abc");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc", true, "HEAD").Document, "");
}

TEST(HttpResponse, ChunkedFraming) {
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\na\r\n0123456789\r\n0\r\n").Document,
        "0123456789");
    // Chunked wins over a length; an unreadable size ends the body.
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nzz\r\n")
            .Document,
        "ab");
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffff\r\nab", false).ResultCode,
              -WsaEConnReset);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100001\r\n", false).ResultCode,
              -WsaEMsgSize);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffffffff\r\n", false)
                  .ResultCode,
              -WsaEMsgSize);
}

TEST(HttpResponse, LineAndHeaderCaps) {
    std::string line16k(16384, 'a');
    EXPECT_TRUE(Parse("HTTP/1.0 200 OK\r\nX: " + line16k.substr(3) + "\r\n\r\n").Headers.size() == 2);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nX: " + line16k + "\r\n\r\n", false).ResultCode, -WsaEMsgSize);
    // Endless short header lines are capped as a whole.
    std::string many = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 80000; ++i)
        many += "X-Many: 1234\r\n";
    EXPECT_EQ(Parse(many + "\r\n", false).ResultCode, -WsaEMsgSize);
}

TEST(HttpResponse, PiecewiseArrivalGivesTheSameAnswer) {
    std::string bytes =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n";
    for (std::size_t piece : {1u, 2u, 7u}) {
        TBufferReader reader(bytes, piece);
        THttpResponse r;
        int error = 0;
        ASSERT_TRUE(ReadHttpResponse(reader, {}, r, error));
        EXPECT_EQ(r.Document, "abcde");
    }
}

TEST(HttpResponse, ContinueIsSkippedOnlyWhenAnnounced) {
    std::string bytes = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    TBufferReader reader(bytes);
    THttpResponseOptions options;
    options.SkipContinue = true;
    THttpResponse r;
    int error = 0;
    ASSERT_TRUE(ReadHttpResponse(reader, options, r, error));
    EXPECT_EQ(r.ResultCode, 200);
    EXPECT_EQ(r.Document, "ok");
    EXPECT_EQ(Parse(bytes).ResultCode, 100);
}

// Every file of the fuzz corpus is read without a crash; files named "ok-..." must parse and
// "fail-..." must not.
TEST(HttpResponse, FuzzCorpusReplays) {
    const int files = test::ReplayCorpus("http", [](const std::string& name, const std::string& bytes) {
        THttpResponse r;
        int error = 0;
        const bool ok = ParseHttpResponse(bytes, "GET", r, error);
        EXPECT_LE(r.Document.size(), MaxResponseBody);
        EXPECT_EQ(ok, error == 0);
        if (name.rfind("ok-", 0) == 0 || name.rfind("fail-", 0) == 0) {
            EXPECT_EQ(ok, name[0] == 'o');
        }
    });
    EXPECT_GE(files, 8);
}

} // namespace
} // namespace hostaq
