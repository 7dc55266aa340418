#pragma once

#include "config/DateTime.h"

#include <stdexcept>
#include <string>

namespace hostaq {

// A text that cannot be turned into the value it should hold.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "yyyyMMddHHmmss" of a local date-time.
std::string EncodeStamp(const TDateTime& t);
// The date-time of a stored stamp; an empty text is the current time. Throws EConvertError when
// the text is not 14 digits naming a valid date and time.
TDateTime DecodeStamp(const std::string& text);
// As DecodeStamp, but returns false instead of throwing.
bool TryDecodeStamp(const std::string& text, TDateTime& out);

} // namespace hostaq
