// A second program for the single-instance tests: applies the rule in the folder it is given and
// exits 0 when it was the first instance, 3 when another instance was there. With "--crash" a first
// instance ends without cleaning up.
#include "platform/SingleInstance.h"

#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    hostaq::TSingleInstance instance(argv[1]);
    if (!instance.Acquire())
        return 3;
    if (argc > 2 && std::strcmp(argv[2], "--crash") == 0)
        ::_exit(0);
    return 0;
}
