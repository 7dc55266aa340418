#include "ipdetect/CheckSettings.h"

#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "ipdetect/FindIPProxy.h"
#include "ipdetect/IpDetectMessages.h"
#include "net/SystemProxy.h"

namespace hostaq {

std::string KeepCharacters(const std::string& text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence begins a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == limit)
            return text.substr(0, i);
    }
    return text;
}

TCheckSettings EngineCheckSettings(const std::string& localList) {
    TCheckSettings s;
    s.UserAgent = BuildUserAgent();
    s.ServerURL = ReadString(Keys::ServerIP);
    s.LocalList = localList;
    // The host and port default to the system proxy, as everywhere; only the switch itself
    // defaults to off for the address check.
    if (ReadBool(Keys::UseProxy, false)) {
        const TSystemProxy system = GetIEProxy("http");
        s.ProxyHost = KeepCharacters(ReadString(Keys::ProxyHost, system.Host), ProxyHostLimit);
        s.ProxyPort = KeepCharacters(ReadString(Keys::ProxyPort, system.Port), ProxyPortLimit);
        s.ProxyUser = KeepCharacters(ReadString(Keys::ProxyUserName, ""), ProxyUserLimit);
        s.ProxyPass = KeepCharacters(ReadPassword(Keys::ProxyPassword), ProxyPassLimit);
    }
    s.VerifyCertificate = ReadBool(Keys::VerifyCertificate);
    return s;
}

void ApplyCheckSettings(TFindIPProxy& check, const TCheckSettings& settings) {
    check.UserAgent = settings.UserAgent;
    check.ServerURL = settings.ServerURL;
    check.LocalList = settings.LocalList;
    if (!settings.ProxyHost.empty()) {
        check.ProxyHost = settings.ProxyHost;
        check.ProxyPort = settings.ProxyPort;
        check.ProxyUser = settings.ProxyUser;
        check.ProxyPass = settings.ProxyPass;
    }
    check.VerifyCertificate = settings.VerifyCertificate;
    check.IPv6 = settings.IPv6;
}

std::string DetectResultText(const std::string& address) {
    return address.empty() ? Msg(MsgCannotDetectAddress) : FormatMsg(MsgYourPublicAddress, {address});
}

} // namespace hostaq
