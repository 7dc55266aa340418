#pragma once

#include "engine/EngineSeams.h"

namespace hostaq {

// Starts programs with fork and exec, never through a shell: the program file is executed
// directly with the arguments as given. The program runs detached (its own session, standard
// input from /dev/null, none of our other descriptors), so it neither inherits the monitor's
// sockets nor needs to be waited for.
class TForkExecLauncher : public TProgramLauncher {
public:
    void Launch(const std::string& program, const std::vector<std::string>& arguments) override;
    // As Launch; returns the pid of the intermediate child (already reaped) or -1 when fork failed.
    static int Spawn(const std::string& program, const std::vector<std::string>& arguments);
};

} // namespace hostaq
