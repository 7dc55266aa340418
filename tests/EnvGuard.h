#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace hostaq::test {

// Sets (or with nullopt removes) an environment variable for the lifetime of the guard.
class TEnvGuard {
public:
    TEnvGuard(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~TEnvGuard() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    TEnvGuard(const TEnvGuard&) = delete;
    TEnvGuard& operator=(const TEnvGuard&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace hostaq::test
