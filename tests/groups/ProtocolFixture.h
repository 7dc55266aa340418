#pragma once

#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "groups/DynAcc.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace hostaq::test {

// A configuration file of its own per test, with helpers to save groups into it.
class TProtocolFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetReportedWarnings();
        oldWarning_ = SetWarningReporter([this](const std::string& text) { Warnings.push_back(text); });
    }
    void TearDown() override { SetWarningReporter(oldWarning_); }

    static TDynAcc Group(std::initializer_list<const char*> hosts, const std::string& user = "joe",
                         const std::string& password = "secret") {
        TDynAcc g;
        InitGroup(g);
        g.UserID = user;
        g.Password = password;
        for (const char* h : hosts)
            g.Hosts[static_cast<std::size_t>(g.NumOfHosts++)] = h;
        return g;
    }
    void Save(const std::string& name, const TDynAcc& g) { ASSERT_TRUE(SaveGroup(Path, name, g)); }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(IniWriteString(Path, section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key, const std::string& def = "<none>") {
        return IniReadString(Path, section, key, def);
    }

    TTempDir Dir;
    std::string Path = Dir.File("hostaq.ini");
    std::vector<std::string> Warnings;

private:
    TErrorReporter oldWarning_;
};

} // namespace hostaq::test
