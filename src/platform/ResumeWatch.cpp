#include "platform/ResumeWatch.h"

#include <cstring>
#include <systemd/sd-bus.h>

namespace hostaq {

namespace {
int OnPrepareForSleep(sd_bus_message* m, void* userdata, sd_bus_error*) {
    int sleeping = 0;
    if (::sd_bus_message_read(m, "b", &sleeping) >= 0 && sleeping == 0)
        static_cast<TResumeWatch*>(userdata)->Resumed();
    return 0;
}

int OnSubscribed(sd_bus_message* m, void* userdata, sd_bus_error*) {
    if (!::sd_bus_message_is_method_error(m, nullptr))
        static_cast<TResumeWatch*>(userdata)->Subscribed();
    return 0;
}
} // namespace

TResumeWatch::~TResumeWatch() {
    Close();
}

bool TResumeWatch::Open(const std::string& busAddress, std::string& error) {
    Close();
    bus_ = OpenBus(busAddress, TBusKind::System, "hostaq-resume", &error);
    if (!bus_)
        return false;
    const int rc = ::sd_bus_match_signal_async(bus_.get(), &slot_, "org.freedesktop.login1",
                                               "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                               "PrepareForSleep", OnPrepareForSleep, OnSubscribed, this);
    if (rc < 0) {
        error = std::strerror(-rc);
        Close();
        return false;
    }
    // The match request goes out now; its answer is read with the signals.
    ::sd_bus_flush(bus_.get());
    return true;
}

void TResumeWatch::Close() {
    if (slot_ != nullptr)
        ::sd_bus_slot_unref(slot_);
    slot_ = nullptr;
    bus_.reset();
    ready_ = false;
}

int TResumeWatch::Fd() const {
    return bus_ ? ::sd_bus_get_fd(bus_.get()) : -1;
}

int TResumeWatch::Read(bool& ok) {
    ok = true;
    resumes_ = 0;
    if (!bus_)
        return 0;
    for (;;) {
        const int rc = ::sd_bus_process(bus_.get(), nullptr);
        if (rc < 0) {
            ok = false;
            break;
        }
        if (rc == 0)
            break;
    }
    const int resumes = resumes_;
    if (!ok)
        Close();
    return resumes;
}

} // namespace hostaq
