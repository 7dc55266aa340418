#pragma once

// What every settings test shares: a configuration file of its own, a machine with fixed
// addresses and no system proxy, message boxes answered through the prompt seam and modal
// dialogs handed to the test instead of being shown.
#include "EnvGuard.h"
#include "TempDir.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "ipdetect/HostNetwork.h"
#include "ui/ProcessEvents.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsLogic.h"

#include <QCoreApplication>
#include <QDialog>
#include <QWidget>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace hostaq::test {

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigPath(Path());
        SetHostaqEdition(true);
        TPrompt::Reset();
        ResetOpenFileNames();
        SetModalHandler([this](QDialog& dialog) {
            ++opened[dialog.objectName().toStdString()];
            const auto handler = handlers.find(dialog.objectName().toStdString());
            if (handler == handlers.end())
                return static_cast<int>(QDialog::Rejected);
            return handler->second(dialog);
        });
        SetDialEntriesSource([] {
            return std::optional<std::vector<std::string>>(std::vector<std::string>{"isp", "work"});
        });
    }
    void TearDown() override {
        SetModalHandler({});
        SetDialEntriesSource({});
        SetConfigPath("");
        TPrompt::Reset();
    }

    std::string Path() const { return dir.Path() + "/hostaq.ini"; }
    void WriteFile(const std::string& text) const { std::ofstream(Path(), std::ios::binary) << text; }
    std::string ReadFile() const {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The texts of the boxes shown so far.
    std::vector<std::string> Asked() const {
        std::vector<std::string> texts;
        for (const TPromptRequest& r : TPrompt::Asked())
            texts.push_back(r.Text.toStdString());
        return texts;
    }
    // What a dialog of this object name does when it is opened modally; it returns the result.
    void OnDialog(const std::string& name, std::function<int(QDialog&)> fn) {
        handlers[name] = std::move(fn);
    }

    template <typename T> static T* Child(QWidget* parent, const char* name) {
        T* child = parent->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Runs Qt's loop until done holds (worker threads answer asynchronously) or the limit passes.
    static bool ProcessUntil(const std::function<bool()>& done, int limitMs = 10000) {
        return test::ProcessUntil(done, limitMs);
    }

    TTempDir dir;
    TEnvGuard httpProxy{"http_proxy", std::nullopt};
    TEnvGuard httpProxyUpper{"HTTP_PROXY", std::nullopt};
    TFixedHostNetwork network{{{"192.168.1.10", "255.255.255.0"}}, {"192.168.1.1"}};
    THostNetworkGuard networkGuard{&network};
    std::map<std::string, std::function<int(QDialog&)>> handlers;
    std::map<std::string, int> opened;
};

} // namespace hostaq::test
