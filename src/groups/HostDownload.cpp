#include "groups/HostDownload.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/ProviderConstants.h"
#include "config/Scramble.h"
#include "config/Version.h"
#include "groups/HostList.h"
#include "net/MainThread.h"

namespace hostaq {

THostDownload::THostDownload() {
    URL = std::string("https://") + DefaultAccountHost + "/text/gethostlist";
}

void THostDownload::StartDownload() {
    Text.clear();
    HTTP.UserAgent = Agent;
    HTTP.ProxyHost = ProxyHost;
    HTTP.ProxyPort = ProxyPort;
    HTTP.ProxyUser = ProxyUser;
    HTTP.ProxyPass = ProxyPass;
    HTTP.VerifyCertificate = VerifyCertificate;
    HTTP.UserName = UserName;
    HTTP.Password = Password;
    Start();
}

void THostDownload::Deliver(const THttpResult& result) {
    if (result.Ok)
        for (const std::string& line : result.Lines)
            Text += line + "\r\n";
    if (OnDone)
        Synchronize([this] { OnDone(*this, Text); });
}

TConnectionSettings HostDownloadConnection(const std::string& configPath, bool directConnect) {
    TConnectionSettings s;
    s.UseProxy = !directConnect && ReadBoolChecked(configPath, "Connection", "UseProxy", false);
    if (s.UseProxy) {
        s.ProxyHost = IniReadString(configPath, "Connection", "ProxyHost", "");
        s.ProxyPort = IniReadString(configPath, "Connection", "ProxyPort", "");
        s.ProxyUser = IniReadString(configPath, "Connection", "ProxyUserName", "");
        const std::string stored = IniReadString(configPath, "Connection", "ProxyPassword", "");
        if (!stored.empty())
            s.ProxyPass = UnscramblePassword(stored);
    }
    s.VerifyCertificate = ReadBool(configPath, Keys::VerifyCertificate);
    return s;
}

void StartHostDownload(const std::string& configPath, const std::string& userName,
                       const std::string& password, bool directConnect,
                       std::function<void(const std::string& text)> onDone) {
    auto* download = new THostDownload();
    download->Agent = BuildUserAgent();
    download->UserName = userName;
    download->Password = password;
    download->URL = HostListURL(configPath);
    const TConnectionSettings connection = HostDownloadConnection(configPath, directConnect);
    if (connection.UseProxy) {
        download->ProxyHost = connection.ProxyHost;
        download->ProxyPort = connection.ProxyPort;
        download->ProxyUser = connection.ProxyUser;
        download->ProxyPass = connection.ProxyPass;
    }
    download->VerifyCertificate = connection.VerifyCertificate;
    download->OnDone = [onDone = std::move(onDone)](THostDownload&, const std::string& text) {
        if (onDone)
            onDone(text);
    };
    download->StartDownload();
}

} // namespace hostaq
