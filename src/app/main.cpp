#include "app/CommandLine.h"
#include "config/Version.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace hostaq;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const TCommandLine cl = ParseCommandLine(args);
    if (!cl.Error.empty()) {
        std::fprintf(stderr, "hostaq: %s\n%s", cl.Error.c_str(), UsageText().c_str());
        return 2;
    }
    switch (cl.Command) {
    case TCommand::Version:
        std::printf("%s\n", BuildUserAgent().c_str());
        return 0;
    case TCommand::Help:
        std::printf("%s", UsageText().c_str());
        return 0;
    default:
        std::fprintf(stderr, "hostaq: this command is not available yet\n");
        return 2;
    }
}
