#pragma once

#include "EnvGuard.h"

namespace hostaq::test {

// "user:pass" in Base64, spelled out so the tests do not depend on the encoder they check.
inline constexpr const char* UserPassBase64 = "dXNlcjpwYXNz";

} // namespace hostaq::test
