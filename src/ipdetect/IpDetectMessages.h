#pragma once

namespace hostaq {

// Messages of the address detection.
inline constexpr int MsgYourPublicAddress = 10033;   // "Your public IP address is %s."
inline constexpr int MsgCannotDetectAddress = 10145; // "Cannot detect your public IP address"
inline constexpr int MsgBadLocalListLine = 10260;    // an unusable line of the local address list

} // namespace hostaq
