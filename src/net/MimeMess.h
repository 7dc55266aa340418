#pragma once

#include "config/DateTime.h"

#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// A mail message: the header fields and one text/plain part, or, with attachments, a
// multipart/mixed message of the text part and one part per file. EncodeMessage() builds the
// lines that travel in the DATA phase.
//
// The text part is sent "7bit" with charset us-ascii when it is plain ASCII with lines SMTP can
// carry (at most 998 bytes); any other text goes quoted-printable, labelled UTF-8 when it is
// valid UTF-8 and ISO-8859-1 otherwise, so no 8-bit byte ever travels in a "7bit" part.
class TMimeMess {
public:
    std::string From;
    std::string ReplyTo; // only its address is written
    std::string Subject; // non-ASCII text is written as RFC 2047 encoded words
    std::vector<std::string> ToList;
    std::vector<std::string> CCList;
    TDateTime Date;
    std::string XMailer;
    std::string InReplyTo; // written inside "<...>"
    std::vector<std::string> Body;
    std::vector<std::string> Attachments; // file names

    // The encoded message, one line a string, without line ends.
    std::vector<std::string> Lines;

    // Builds Lines. False when an attachment cannot be read; error then names the file.
    bool EncodeMessage(std::string* error = nullptr);
};

// "Mon, 31 Dec 2007 23:59:00 +0100": the local time t with the local zone's offset at that time.
std::string FormatRfc822Date(const TDateTime& t);

// The lines of a text: CR LF, LF or a lone CR end a line; a final line end adds no empty line.
std::vector<std::string> SplitMailLines(std::string_view text);

// Quoted-printable lines (RFC 2045) of one text line: soft line breaks keep every line at 76
// characters or less, and blanks at the end are encoded.
std::vector<std::string> EncodeQuotedPrintableLine(std::string_view line);

// Whether text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

} // namespace hostaq
