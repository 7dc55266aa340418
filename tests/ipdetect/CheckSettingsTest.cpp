#include "ipdetect/CheckSettings.h"

#include "TempConfig.h"
#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Version.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace hostaq {
namespace {

// The environment's proxy for the length of a test.
class TProxyEnvironment {
public:
    explicit TProxyEnvironment(const char* value) {
        for (const char* name : {"http_proxy", "HTTP_PROXY"})
            ::unsetenv(name);
        if (value != nullptr)
            ::setenv("http_proxy", value, 1);
    }
    ~TProxyEnvironment() { ::unsetenv("http_proxy"); }
};

TEST(EngineCheckSettings, UsesTheVersionTitleThePageAndTheList) {
    test::TTempConfig config;
    TProxyEnvironment env("http://sysproxy.example:3128");
    TCheckSettings s = EngineCheckSettings("127.0.0.1");
    EXPECT_EQ(s.UserAgent, BuildUserAgent());
    EXPECT_EQ(s.ServerURL, "http://checkip.hostaq.example/");
    EXPECT_EQ(s.LocalList, "127.0.0.1");
    // Without a UseProxy key the check goes direct, even with a system proxy.
    EXPECT_EQ(s.ProxyHost, "");
    EXPECT_TRUE(s.VerifyCertificate);

    config.Write("[Connection]\nServerIP=http://127.0.0.1:8080/ip\nUseProxy=0\nProxyHost=proxy.example\n"
                 "VerifyCertificate=0\n");
    s = EngineCheckSettings("");
    EXPECT_EQ(s.ServerURL, "http://127.0.0.1:8080/ip");
    EXPECT_EQ(s.ProxyHost, "");
    EXPECT_FALSE(s.VerifyCertificate);
}

TEST(EngineCheckSettings, ProxyValuesAreCutToTheirFixedLengths) {
    test::TTempConfig config;
    TProxyEnvironment env(nullptr);
    const std::string host(300, 'h');
    const std::string user(60, 'u');
    const std::string pass = std::string(49, 'p') + "\xC3\xA9\xC3\xA9"; // 51 characters, 53 bytes
    config.Write("[Connection]\nUseProxy=1\nProxyHost=" + host + "\nProxyPort=8080123\nProxyUserName=" +
                 user + "\nProxyPassword=" + ScramblePassword(pass) + "\n");
    const TCheckSettings s = EngineCheckSettings("");
    EXPECT_EQ(s.ProxyHost, std::string(255, 'h'));
    EXPECT_EQ(s.ProxyPort, "80801");
    EXPECT_EQ(s.ProxyUser, std::string(50, 'u'));
    EXPECT_EQ(s.ProxyPass, std::string(49, 'p') + "\xC3\xA9");
}

TEST(EngineCheckSettings, ProxyHostAndPortDefaultToTheSystemProxy) {
    test::TTempConfig config;
    TProxyEnvironment env("http://sysproxy.example:3128/");
    config.Write("[Connection]\nUseProxy=1\n");
    const TCheckSettings s = EngineCheckSettings("");
    EXPECT_EQ(s.ProxyHost, "sysproxy.example");
    EXPECT_EQ(s.ProxyPort, "3128");
    EXPECT_EQ(s.ProxyUser, "");
    EXPECT_EQ(s.ProxyPass, "");
}

} // namespace
} // namespace hostaq
