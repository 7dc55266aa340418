#pragma once

#include "config/ProviderConstants.h"
#include "net/HttpWorker.h"

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// The web check of the public address: fetches a check-ip page on a worker thread and hands the
// first well-formed address of the page that is not in the local list to the main thread.
//
// Create it with new, set the fields and events, then Start(); from then on the caller must not
// touch it except from within its events. OnDone runs on the main thread with the address
// (empty when none was found or the page could not be fetched), then OnTerminate; after that the
// object frees itself. Every check is a new object.
class TFindIPProxy : public THttpWorker {
public:
    using TDoneEvent = std::function<void(TFindIPProxy& sender, const std::string& address)>;
    using TTerminateEvent = std::function<void(TFindIPProxy& sender)>;

    TFindIPProxy() = default;

    // The client that performs the request (the worker's own THTTPSend).
    THTTPSend& HttpClient = HTTP;
    std::string UserAgent = "Vemo Detect IP Component";
    std::string ServerURL = DefaultCheckIpPage;
    // The result; cleared by Start.
    std::string FoundIP;
    // Why FoundIP is empty: the page could not be read (with the socket error), was empty, or
    // shows no address. Empty when an address was found.
    std::string Failure;
    // Local addresses and ranges that are never taken as the public address.
    std::string LocalList;
    // An empty host means no proxy.
    std::string ProxyHost;
    std::string ProxyPort = "80";
    std::string ProxyUser;
    std::string ProxyPass;
    // Checks the certificate of an https page.
    bool VerifyCertificate = true;
    // Reads the page over an IPv6 connection, without proxy, and takes the first public IPv6
    // address it shows (the local list does not apply).
    bool IPv6 = false;

    // Hides the worker's generic event: this one carries the address.
    TDoneEvent OnDone;
    TTerminateEvent OnTerminate;

    // Clears FoundIP, copies the user agent, proxy and certificate settings into the client and
    // runs the check on its own thread.
    void Start();

protected:
    void Execute() override;
    void Deliver(const THttpResult& result) override;

private:
    // Lines of LocalList that are neither an address nor a range; reported on the main thread.
    std::vector<std::string> badLines_;
    bool doneDelivered_ = false;
};

} // namespace hostaq
