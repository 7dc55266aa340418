#include "ipdetect/FindIPProxy.h"

#include "ipdetect/AddressList.h"
#include "ipdetect/CheckPage.h"
#include "net/MainThread.h"

namespace hostaq {

void TFindIPProxy::Start() {
    FoundIP.clear();
    HTTP.UserAgent = UserAgent;
    HTTP.ProxyHost = ProxyHost;
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
        FoundIP = ParseCheckPage(HTTP.Document, list);
    doneDelivered_ = true;
    Synchronize([this] {
        ReportBadLines(badLines_);
        if (OnDone)
            OnDone(*this, FoundIP);
    });
}

} // namespace hostaq
