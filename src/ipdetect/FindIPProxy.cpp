#include "ipdetect/FindIPProxy.h"

#include "ipdetect/AddressList.h"
#include "ipdetect/CheckPage.h"
#include "net/MainThread.h"

namespace hostaq {

namespace {
std::string FailureOf(const THttpResult& result, const std::string& page, const std::string& found) {
    if (!found.empty())
        return {};
    if (!result.Ok) {
        if (result.ErrorCode == 0 && result.ErrorText.empty())
            return "the page could not be read";
        return "the page could not be read: " + std::to_string(result.ErrorCode) + " (" + result.ErrorText +
               ")";
    }
    if (page.find_first_not_of(" \t\r\n") == std::string::npos)
        return "the page is empty";
    return "the page shows no IP address";
}
} // namespace

void TFindIPProxy::Start() {
    FoundIP.clear();
    Failure.clear();
    HTTP.UserAgent = UserAgent;
    // Through a proxy the page would see the proxy's address, not this machine's.
    HTTP.ProxyHost = IPv6 ? std::string() : ProxyHost;
    HTTP.Sock.IPv6Only = IPv6;
    HTTP.ProxyPort = ProxyPort;
    HTTP.ProxyUser = ProxyUser;
    HTTP.ProxyPass = ProxyPass;
    HTTP.VerifyCertificate = VerifyCertificate;
    URL = ServerURL;
    Method = "GET";
    THttpWorker::Start();
}

void TFindIPProxy::Execute() {
    try {
        THttpWorker::Execute();
    } catch (...) {
        // Whatever went wrong, the main thread still learns the (empty) answer and the end.
    }
    if (!doneDelivered_) {
        FoundIP.clear();
        Failure = "the page could not be read";
        Synchronize([this] {
            if (OnDone)
                OnDone(*this, FoundIP);
        });
    }
    if (OnTerminate)
        Synchronize([this] { OnTerminate(*this); });
}

void TFindIPProxy::Deliver(const THttpResult& result) {
    // The status code is not examined: any body that arrived is scanned. A line of the list
    // that is neither an address nor a range never matches, so it cannot stop the check.
    const TAddressList list(LocalList);
    badLines_ = list.BadLines();
    if (result.Ok)
        FoundIP = IPv6 ? ParseCheckPage6(HTTP.Document) : ParseCheckPage(HTTP.Document, list);
    Failure = FailureOf(result, HTTP.Document, FoundIP);
    doneDelivered_ = true;
    Synchronize([this] {
        ReportBadLines(badLines_);
        if (OnDone)
            OnDone(*this, FoundIP);
    });
}

} // namespace hostaq
