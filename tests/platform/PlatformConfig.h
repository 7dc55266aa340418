#pragma once

#include "TempDir.h"
#include "config/ConfigPath.h"

#include <string>

namespace hostaq::test {

// A configuration file of its own for one test, installed as the program's file while it lives.
class TPlatformConfig {
public:
    TPlatformConfig() { SetConfigPath(Path()); }
    ~TPlatformConfig() { SetConfigPath(""); }
    TPlatformConfig(const TPlatformConfig&) = delete;
    TPlatformConfig& operator=(const TPlatformConfig&) = delete;

    std::string Path() const { return dir_.File("hostaq.ini"); }
    void Write(const std::string& text) const { WriteFileText(Path(), text); }
    std::string Text() const { return ReadFileText(Path()); }
    const TTempDir& Dir() const { return dir_; }

private:
    TTempDir dir_;
};

} // namespace hostaq::test
