#pragma once

#include "engine/EngineFixture.h"
#include "ui/common/Desktop.h"
#include "ui/common/PasswordDlg.h"
#include "ui/common/Prompt.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

#include <memory>

namespace hostaq::test {

// The main window as the presenter of an engine on its own configuration file, with the manual
// clock and loop of the engine tests and stand-ins for the desktop: an autostart folder of the
// test, a service that is not installed, a recorded pkexec and a notification area that exists.
class TMainWindowFixture : public TEngineFixture {
protected:
    TMainWindowFixture() {
        TPrompt::Reset();
        TPasswordDlg::ResetTest();
        TDesktop::Opened().clear();
        Env.ProgramPath = "/opt/hostaq/bin/hostaq";
        Env.Autostart = TAutostart(Dir.File("autostart"));
        Env.ServiceInstalled = [this] { return ServiceInstalled; };
        Env.RunElevated = [this](const QStringList& arguments,
                                 std::function<void(int, const QString&)> done) {
            Elevated.push_back(arguments);
            done(ElevatedStatus, ElevatedOutput);
        };
        Env.AskDumpFileName = [this](QWidget*) { return DumpFile; };
        Env.NotificationArea = [this] { return TrayPresent; };
    }
    ~TMainWindowFixture() override {
        Engine.reset();
        Window.reset();
        TPrompt::Reset();
        TPasswordDlg::ResetTest();
    }

    // The program's start: the window joins the engine, the start-up sequence runs, then the
    // window loads its options and shows its icon.
    void StartWindow() {
        Window = std::make_unique<THostaqFormMain>(Env);
        Engine = std::make_unique<TEngine>(Loop, *Window, Services);
        Window->Attach(*Engine);
        Window->OnTerminate = [this] { ++Terminated; };
        Engine->StartUpSequence();
        Loop.RunPending();
        Window->LoadWindowOptions();
        Window->StartTray();
        QApplication::processEvents();
    }

    template <typename T> T* Find(const char* name) const {
        T* widget = Window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    void Click(const char* button) { Find<QPushButton>(button)->click(); }

    THostaqFormMain::TEnvironment Env;
    std::unique_ptr<THostaqFormMain> Window;
    bool ServiceInstalled = false;
    bool TrayPresent = true;
    std::vector<QStringList> Elevated;
    int ElevatedStatus = 0;
    QString ElevatedOutput;
    QString DumpFile;
    int Terminated = 0;
};

} // namespace hostaq::test
