#include "net/HttpWorker.h"

#include "net/MainThread.h"
#include "net/TextLines.h"

namespace hostaq {

void THttpWorker::Execute() {
    THttpResult result;
    HTTP.Sock.SetDeadline(DeadlineMs);
    result.Ok = HTTP.DoRequest(Method, URL);
    result.ResultCode = HTTP.ResultCode;
    result.ResultString = HTTP.ResultString;
    if (result.Ok) {
        result.Lines = SplitTextLines(HTTP.Document);
    } else {
        result.ErrorCode = HTTP.LastError();
        result.ErrorText = HTTP.LastErrorDesc();
    }
    Deliver(result);
}

void THttpWorker::Deliver(const THttpResult& result) {
    if (OnDone)
        Synchronize([this, &result] { OnDone(result); });
}

} // namespace hostaq
