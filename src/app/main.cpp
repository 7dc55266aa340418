#include "app/CommandLine.h"
#include "app/ConfigCommands.h"
#include "app/MonitorCommands.h"
#ifdef HOSTAQ_HAS_GUI
#include "app/GuiMain.h"
#endif
#include "config/ConfigPath.h"
#include "config/Version.h"
#include "platform/ServiceControl.h"
#include "platform/ServiceMode.h"

#include <cstdio>
#include <iostream>
#include <malloc.h>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace hostaq;
    // Before any thread exists, so that only the monitor's loop receives the stop and reload
    // signals.
    BlockStopSignals();
    // Each update run starts one worker per group; with an arena per worker the freed memory of
    // a run stays scattered over many heaps. Two arenas keep the monitor small between runs.
    mallopt(M_ARENA_MAX, 2);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const TCommandLine cl = ParseCommandLine(args);
    if (!cl.Error.empty()) {
        std::fprintf(stderr, "hostaq: %s\n%s", cl.Error.c_str(), UsageText().c_str());
        return ExitUsage;
    }
    switch (cl.Command) {
    case TCommand::Version:
        std::printf("%s\n", BuildUserAgent().c_str());
        return ExitSuccess;
    case TCommand::Help:
        std::printf("%s", UsageText().c_str());
        return ExitSuccess;
    case TCommand::Gui:
        if (!HasDisplay()) {
            std::fprintf(stderr, "hostaq: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); running "
                                 "the monitor without a window (--headless)\n");
            return RunHeadless(cl);
        }
#ifdef HOSTAQ_HAS_GUI
        if (std::string problem; !DisplayOpens(&problem)) {
            std::fprintf(stderr, "hostaq: %s; running the monitor without a window (--headless)\n",
                         problem.c_str());
            return RunHeadless(cl);
        }
        return RunGui(cl, argc, argv);
#else
        std::fprintf(stderr, "hostaq: this build has no tray application; running the monitor without a "
                             "window (--headless)\n");
        return RunHeadless(cl);
#endif
    case TCommand::Headless:
        return RunHeadless(cl);
    case TCommand::Once:
        return RunOnce(cl);
    case TCommand::DumpConfig:
        return RunDumpConfig(cl);
    case TCommand::Scramble:
        return RunScramble(std::cin, std::cout, std::cerr);
    case TCommand::GroupAdd:
        return RunGroupAdd(cl, std::cin, std::cout, std::cerr);
    case TCommand::Install:
    case TCommand::Uninstall:
        // The unit runs the program on the configuration file found here.
        if (!PrepareProgram(cl))
            return ExitFailure;
        return RunServiceSwitch(cl.Command == TCommand::Install, TServiceControl(), ProgramPath(),
                                ConfigPath());
    default:
        std::fprintf(stderr, "hostaq: this command is not available yet\n");
        return ExitUsage;
    }
}
