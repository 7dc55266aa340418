#pragma once

#include "net/HttpSend.h"
#include "net/SystemProxy.h"
#include "net/WorkerThread.h"

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// What one request of a worker achieved.
struct THttpResult {
    // The exchange completed at the transport level (any status code).
    bool Ok = false;
    int ResultCode = 0;
    std::string ResultString;
    // The response body as text lines.
    std::vector<std::string> Lines;
    // The socket error of a failed request and its text (never with credentials in it).
    int ErrorCode = 0;
    std::string ErrorText;
};

// The worker pattern of every request: a thread that owns its THTTPSend, makes one request and
// hands the outcome to the main thread. The creator (main thread) sets URL, Method and the
// THTTPSend's user agent, credentials and connection settings, assigns the events, then calls
// Start(); the worker frees itself when it ends.
class THttpWorker : public TWorkerThread {
public:
    THTTPSend HTTP;
    std::string URL;
    std::string Method = "GET";
    // The whole request ends within this (ms), whatever the server does.
    int DeadlineMs = ExchangeDeadlineMs;

    // Runs on the main thread with the outcome, while the worker waits.
    std::function<void(const THttpResult&)> OnDone;

    // The proxy (when on) and certificate check of the configuration.
    void SetConnection(const TConnectionSettings& settings) { settings.ApplyTo(HTTP); }

protected:
    void Execute() override;
    // Called on the worker thread with the outcome. The default hands it to OnDone through
    // Synchronize; workers with events of their own report here.
    virtual void Deliver(const THttpResult& result);
};

} // namespace hostaq
