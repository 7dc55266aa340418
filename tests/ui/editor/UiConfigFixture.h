#pragma once

#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "engine/EventLoop.h"
#include "groups/DynAcc.h"
#include "net/WorkerThread.h"
#include "ui/ProcessEvents.h"
#include "ui/common/Desktop.h"
#include "ui/common/Prompt.h"
#include "ui/loop/QtEventLoop.h"

#include "ProviderServer.h"
#include "TempDir.h"
#include "TestCerts.h"

#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hostaq::test {

// The windows of the editor and the wizard on a configuration file of their own, with workers'
// events served by the Qt loop and an account server on loopback when a test asks for one.
class TUiConfigTest : public ::testing::Test {
protected:
    TUiConfigTest() {
        SetConfigPath(Path);
        SetHostaqEdition(true);
        TPrompt::Reset();
        TDesktop::Opened().clear();
        InstallMainThreadLoop(&Loop);
    }
    ~TUiConfigTest() override {
        EXPECT_TRUE(ProcessUntil([] { return LiveWorkers() == 0; }));
        InstallMainThreadLoop(nullptr);
        SetHostaqEdition(true);
    }

    // Runs Qt's loop until done holds; the workers deliver on their own time, the loop only
    // serves them.
    static bool ProcessUntil(const std::function<bool()>& done, int limitMs = 10000) {
        return test::ProcessUntil(done, limitMs);
    }

    // Saves a group of the given hosts with the login joe/secret.
    void StoreGroup(const std::string& name, std::initializer_list<const char*> hosts) {
        TDynAcc g;
        InitGroup(g);
        g.UserID = "joe";
        g.Password = "secret";
        for (const char* host : hosts)
            g.Hosts[static_cast<std::size_t>(g.NumOfHosts++)] = host;
        ASSERT_TRUE(SaveGroup(Path, name, g));
    }

    // An account server over TLS answering the host list of joe/secret.
    void StartAccountServer(const std::string& hostList) {
        TTestPki pki;
        SSL_CTX* tls = MakeServerContext(pki.SelfSigned);
        Provider.emplace(tls);
        SSL_CTX_free(tls);
        IniWriteString(Path, "Options", "AccountHost", Provider->HostPort());
        IniWriteString(Path, "Connection", "VerifyCertificate", "0");
        Provider->SetHostList("joe", "secret", hostList);
    }

    template <typename T> static T* Find(const QWidget& w, const char* name) {
        T* child = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // The texts of the message boxes shown so far.
    static std::vector<std::string> AskedTexts() {
        std::vector<std::string> texts;
        for (const TPromptRequest& r : TPrompt::Asked())
            texts.push_back(r.Text.toStdString());
        return texts;
    }

    // The sections and keys of the file in file order.
    std::vector<std::pair<std::string, std::string>> FileKeys() const {
        std::vector<std::pair<std::string, std::string>> keys;
        for (const std::string& section : IniReadSections(Path))
            for (const std::string& key : IniReadSection(Path, section))
                keys.emplace_back(section, key);
        return keys;
    }

    TTempDir Dir;
    std::string Path = Dir.File("hostaq.ini");
    TQtEventLoop Loop;
    std::optional<TProviderServer> Provider;
};

} // namespace hostaq::test
