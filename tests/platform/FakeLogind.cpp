#include "FakeLogind.h"

#include <systemd/sd-bus.h>

namespace hostaq::test {

namespace {
TFakeLogind& Self(void* userdata) {
    return *static_cast<TFakeLogind*>(userdata);
}

int CanSuspend(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    Self(userdata).Record("CanSuspend", error);
    return ::sd_bus_reply_method_return(m, "s", Self(userdata).Options().CanSuspend.c_str());
}

int CanHibernate(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    Self(userdata).Record("CanHibernate", error);
    return ::sd_bus_reply_method_return(m, "s", Self(userdata).Options().CanHibernate.c_str());
}

// An action with flags ("t") or with the interactive argument ("b") of an older logind.
int Action(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    const std::string member = ::sd_bus_message_get_member(m);
    std::string argument;
    if (::sd_bus_message_has_signature(m, "t")) {
        std::uint64_t flags = 0;
        ::sd_bus_message_read(m, "t", &flags);
        argument = std::to_string(flags);
    } else {
        int interactive = 0;
        ::sd_bus_message_read(m, "b", &interactive);
        argument = interactive != 0 ? "true" : "false";
    }
    const int rc = Self(userdata).Record(member + " " + argument, error);
    return rc < 0 ? rc : ::sd_bus_reply_method_return(m, "");
}

int GetSessionByPID(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    std::uint32_t pid = 0;
    ::sd_bus_message_read(m, "u", &pid);
    Self(userdata).Record("GetSessionByPID " + std::to_string(pid), error);
    return ::sd_bus_reply_method_return(m, "o", TFakeLogind::SessionPath());
}

int Terminate(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    const int rc = Self(userdata).Record(std::string("Terminate ") + ::sd_bus_message_get_path(m), error);
    return rc < 0 ? rc : ::sd_bus_reply_method_return(m, "");
}

const sd_bus_vtable ManagerTable[] = {SD_BUS_VTABLE_START(0),
                                      SD_BUS_METHOD("CanSuspend", "", "s", CanSuspend, 0),
                                      SD_BUS_METHOD("CanHibernate", "", "s", CanHibernate, 0),
                                      SD_BUS_METHOD("PowerOffWithFlags", "t", "", Action, 0),
                                      SD_BUS_METHOD("RebootWithFlags", "t", "", Action, 0),
                                      SD_BUS_METHOD("SuspendWithFlags", "t", "", Action, 0),
                                      SD_BUS_METHOD("HibernateWithFlags", "t", "", Action, 0),
                                      SD_BUS_METHOD("PowerOff", "b", "", Action, 0),
                                      SD_BUS_METHOD("Reboot", "b", "", Action, 0),
                                      SD_BUS_METHOD("Suspend", "b", "", Action, 0),
                                      SD_BUS_METHOD("Hibernate", "b", "", Action, 0),
                                      SD_BUS_METHOD("GetSessionByPID", "u", "o", GetSessionByPID, 0),
                                      SD_BUS_VTABLE_END};

const sd_bus_vtable OldManagerTable[] = {SD_BUS_VTABLE_START(0),
                                         SD_BUS_METHOD("CanSuspend", "", "s", CanSuspend, 0),
                                         SD_BUS_METHOD("CanHibernate", "", "s", CanHibernate, 0),
                                         SD_BUS_METHOD("PowerOff", "b", "", Action, 0),
                                         SD_BUS_METHOD("Reboot", "b", "", Action, 0),
                                         SD_BUS_METHOD("Suspend", "b", "", Action, 0),
                                         SD_BUS_METHOD("Hibernate", "b", "", Action, 0),
                                         SD_BUS_METHOD("GetSessionByPID", "u", "o", GetSessionByPID, 0),
                                         SD_BUS_VTABLE_END};

const sd_bus_vtable SessionTable[] = {SD_BUS_VTABLE_START(0),
                                      SD_BUS_METHOD("Terminate", "", "", Terminate, 0), SD_BUS_VTABLE_END};
} // namespace

TFakeLogind::TFakeLogind(const std::string& busAddress, TOptions options) : options_(std::move(options)) {
    sd_bus* bus = nullptr;
    if (::sd_bus_new(&bus) < 0)
        return;
    if (::sd_bus_set_address(bus, busAddress.c_str()) < 0 || ::sd_bus_set_bus_client(bus, 1) < 0 ||
        ::sd_bus_start(bus) < 0 ||
        ::sd_bus_add_object_vtable(bus, &managerSlot_, "/org/freedesktop/login1",
                                   "org.freedesktop.login1.Manager",
                                   options_.WithoutFlags ? OldManagerTable : ManagerTable, this) < 0 ||
        ::sd_bus_add_object_vtable(bus, &sessionSlot_, SessionPath(), "org.freedesktop.login1.Session",
                                   SessionTable, this) < 0 ||
        ::sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0) {
        ::sd_bus_slot_unref(managerSlot_);
        ::sd_bus_slot_unref(sessionSlot_);
        ::sd_bus_flush_close_unref(bus);
        managerSlot_ = sessionSlot_ = nullptr;
        return;
    }
    bus_ = bus;
    thread_ = std::thread([this] {
        while (!stop_.load()) {
            std::vector<bool> signals;
            {
                std::lock_guard lock(mutex_);
                signals.swap(signals_);
            }
            for (bool start : signals)
                ::sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                     "PrepareForSleep", "b", static_cast<int>(start));
            const int rc = ::sd_bus_process(bus_, nullptr);
            if (rc < 0)
                break;
            if (rc == 0)
                ::sd_bus_wait(bus_, 50000);
        }
    });
}

TFakeLogind::~TFakeLogind() {
    stop_.store(true);
    if (thread_.joinable())
        thread_.join();
    ::sd_bus_slot_unref(managerSlot_);
    ::sd_bus_slot_unref(sessionSlot_);
    if (bus_ != nullptr)
        ::sd_bus_flush_close_unref(bus_);
}

int TFakeLogind::Record(const std::string& call, void* error) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    if (options_.RefuseName.empty() || call.rfind("Can", 0) == 0 || call.rfind("GetSession", 0) == 0)
        return 0;
    return ::sd_bus_error_set(static_cast<sd_bus_error*>(error), options_.RefuseName.c_str(),
                              options_.RefuseMessage.c_str());
}

void TFakeLogind::EmitPrepareForSleep(bool start) {
    std::lock_guard lock(mutex_);
    signals_.push_back(start);
}

std::vector<std::string> TFakeLogind::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

} // namespace hostaq::test
