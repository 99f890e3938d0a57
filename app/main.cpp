// Entry point: without arguments the program; with an option, one of its headless tools.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "platform/engine/headless.h"

int main(int argc, char** argv) {
    if (argc < 2) return orn::runProgram();
    const char* option = argv[1];
    if (strcmp(option, "--headless") == 0) {
        if (argc != 4 || strcmp(argv[2], "--script") != 0) {
            fprintf(stderr, "usage: %s --headless --script FILE\n", argv[0]);
            return 2;
        }
        std::string error;
        if (!hgeLoadScript(argv[3], error)) {
            fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        return orn::runProgram();
    }
    if (strcmp(option, "--describe") == 0) return orn::describeCommand(argc, argv);
    if (strcmp(option, "--render") == 0) return orn::renderCommand(argc, argv);
    if (strcmp(option, "--render-saved") == 0) return orn::renderSavedCommand(argc, argv);
    fprintf(stderr,
            "usage: %s [--headless --script FILE | --describe LINE [--graphics N] |\n"
            "          --render LINE --out FILE.png [--size W H] | --render-saved DIR [--size W H]]\n",
            argv[0]);
    return 2;
}
