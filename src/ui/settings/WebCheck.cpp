#include "ui/settings/WebCheck.h"

#include "ipdetect/CheckSettings.h"
#include "ipdetect/FindIPProxy.h"

namespace hostaq {

TWebCheck::TWebCheck(QObject* parent) : QObject(parent) {}

TWebCheck::~TWebCheck() {
    *alive_ = false;
}

bool TWebCheck::Start(const TCheckSettings& settings) {
    if (running_)
        return false;
    running_ = true;
    auto* check = new TFindIPProxy;
    ApplyCheckSettings(*check, settings);
    std::weak_ptr<bool> alive = alive_;
    check->OnDone = [this, alive](TFindIPProxy&, const std::string& address) {
        const auto token = alive.lock();
        if (!token || !*token)
            return;
        running_ = false;
        emit Finished(QString::fromStdString(address));
    };
    check->Start();
    return true;
}

} // namespace hostaq
