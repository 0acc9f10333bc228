#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "startup/uInstanceLock.h"

int main(int argc, char** argv) {
    if (IsAlreadyRunning())
        return 3;
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        std::puts("held");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    return 0;
}
