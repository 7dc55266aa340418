#pragma once

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/Messages.h"
#include "log/Log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace hostaq::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TLogTempDir {
public:
    TLogTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-log-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TLogTempDir() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TLogTempDir(const TLogTempDir&) = delete;
    TLogTempDir& operator=(const TLogTempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

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
    TLogTempDir dir_;
    std::string configPath_;
};

} // namespace hostaq::test
