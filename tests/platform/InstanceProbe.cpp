// A second program for the single-instance tests: applies the rule in the folder it is given and
// exits 0 when it was the first instance, 3 when another instance was there. With "--hold" a first
// instance stays until its standard input closes; with "--crash" it ends without cleaning up.
#include "platform/SingleInstance.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    hostaq::TSingleInstance instance(argv[1]);
    if (!instance.Acquire())
        return 3;
    if (argc > 2 && std::strcmp(argv[2], "--crash") == 0) {
        std::printf("first\n");
        std::fflush(stdout);
        ::_exit(0);
    }
    if (argc > 2 && std::strcmp(argv[2], "--hold") == 0) {
        std::printf("first\n");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {
        }
    }
    return 0;
}
