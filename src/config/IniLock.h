#pragma once

// The lock that serialises read-modify-write between processes. Internal to the store.

#include <string>

namespace hostaq::IniStore {

// How long a write waits for the lock another process holds, in milliseconds.
extern int LockWaitMs;

// True when SIGTERM or SIGINT is pending (blocked and not yet taken).
bool StopSignalPending();

// The lock that serialises read-modify-write between processes: an advisory lock on a private
// file beside the target, never on anything others may open. The file is removed when the lock
// is released; a waiter that got the lock on a removed file tries again.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& target);
    ~TStoreLock();
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;
    bool Ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::string name_;
};

} // namespace hostaq::IniStore
