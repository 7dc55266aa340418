#pragma once

#include <string>
#include <string_view>

namespace hostaq {

// Standard Base64 with padding, as HTTP Basic credentials and SMTP AUTH use it.
std::string EncodeBase64(std::string_view data);

} // namespace hostaq
