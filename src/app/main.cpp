#include "ui/uEntry.h"

int main(int argc, char** argv) {
    return RunOrvalo(argc, argv);
}
