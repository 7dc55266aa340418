#pragma once

#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace hostaq::test {

// A configuration file of its own for one test, and the warnings reported while it lives.
class TTempConfig {
public:
    TTempConfig() {
        char templ[] = "/tmp/hostaq-ipdetect-XXXXXX";
        folder_ = ::mkdtemp(templ);
        path_ = folder_ + "/hostaq.ini";
        SetConfigPath(path_);
        ResetReportedWarnings();
        oldWarning_ = SetWarningReporter([this](const std::string& text) { Warnings.push_back(text); });
        oldEdition_ = IsHostaqEdition();
    }
    ~TTempConfig() {
        SetWarningReporter(oldWarning_);
        SetHostaqEdition(oldEdition_);
        SetConfigPath("");
        std::filesystem::remove_all(folder_);
    }
    TTempConfig(const TTempConfig&) = delete;
    TTempConfig& operator=(const TTempConfig&) = delete;

    const std::string& Path() const { return path_; }
    void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

    std::vector<std::string> Warnings;

private:
    std::string folder_;
    std::string path_;
    TErrorReporter oldWarning_;
    bool oldEdition_ = true;
};

} // namespace hostaq::test
