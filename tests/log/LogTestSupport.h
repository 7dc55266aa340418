#pragma once

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/Messages.h"
#include "log/Log.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace hostaq::test {

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A clean process-wide logger, a manual clock at 31 December 2007 23:59:00, a temporary folder
// and a configuration path hostaq.ini inside it (the file itself is not created).
class TLogFixture : public ::testing::Test {
protected:
    TLogFixture() : clockGuard_(&clock_) {
        ResetLogger();
        ResetMessages();
        ResetReportedWarnings();
        configPath_ = dir_.File("hostaq.ini");
        SetConfigPath(configPath_);
    }
    ~TLogFixture() override {
        ResetLogger();
        SetWarningReporter({});
        SetConfigPath("");
    }

    TManualClock clock_;
    TClockGuard clockGuard_;
    TTempDir dir_;
    std::string configPath_;
};

} // namespace hostaq::test
