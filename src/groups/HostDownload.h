#pragma once

#include "net/HttpWorker.h"
#include "net/SystemProxy.h"

#include <functional>
#include <string>

namespace hostaq {

// Fetches the list of an account's hostnames from the account server. Create it with new, set
// its fields, StartDownload(); it frees itself after OnDone has returned.
class THostDownload : public THttpWorker {
public:
    THostDownload();

    std::string Agent = "Vemo Host Download Component";
    std::string UserName;
    std::string Password;
    std::string ProxyHost;
    std::string ProxyPort = "80";
    std::string ProxyUser;
    std::string ProxyPass;
    bool VerifyCertificate = true;

    // The answer: the body's lines, each followed by CR LF; empty when the request failed.
    std::string Text;

    // Runs on the main thread with Text when the worker has finished. (Hides the base class's
    // event, which this worker does not use.)
    std::function<void(THostDownload& sender, const std::string& text)> OnDone;

    // Clears Text, copies the agent, proxy and login into the client and starts the thread.
    void StartDownload();

protected:
    void Deliver(const THttpResult& result) override;
};

// The connection of a hostname download, as the group editor and the wizard use it: the proxy of
// section Connection only on a local network (directConnect off) with UseProxy on, its values
// without the system proxy as defaults; and the certificate check.
TConnectionSettings HostDownloadConnection(const std::string& configPath, bool directConnect);

// Creates and starts a download of the account's hostnames from HostListURL, with the program's
// user agent and HostDownloadConnection. onDone runs on the main thread.
void StartHostDownload(const std::string& configPath, const std::string& userName,
                       const std::string& password, bool directConnect,
                       std::function<void(const std::string& text)> onDone);

} // namespace hostaq
