#pragma once

// The built-in provider. Nothing else in the program spells these values. The provider is a
// placeholder under a reserved name, so a fresh installation never sends a login to a host
// nobody controls; Options/UpdateHost and Options/AccountHost point the standard protocol at a
// real provider.
namespace hostaq {
inline constexpr const char* BuiltInProvider = "hostaq.example";
inline constexpr const char* DefaultUpdateHost = "members.hostaq.example";
inline constexpr const char* DefaultAccountHost = "account.hostaq.example";
inline constexpr const char* DefaultCheckIpPage = "http://checkip.hostaq.example/";
inline constexpr const char* DefaultVersionPage = "http://www.hostaq.example/updater/version.txt";
inline constexpr const char* DefaultDownloadPage = "http://www.hostaq.example/updater/";
inline constexpr const char* MakerWebPage = "http://www.vemo.example/";
inline constexpr const char* PlaceholderSender = "root@localhost";
} // namespace hostaq
