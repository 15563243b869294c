// The web page's engine: the six programs in one WebAssembly module, each the
// same main function its command-line build has, renamed when compiled for the
// page. The page names the program first, then its arguments, and reads what
// it wrote from the module's file system.
#include <cstdio>
#include <string_view>

int songmake_main(int argc, char** argv);
int songasm_main(int argc, char** argv);
int songdump_main(int argc, char** argv);
int songcheck_main(int argc, char** argv);
int songplay_main(int argc, char** argv);
int songprep_main(int argc, char** argv);

namespace {

struct Program {
    std::string_view name;
    int (*run)(int, char**);
};

constexpr Program kPrograms[] = {
    {"songmake", songmake_main},   {"songasm", songasm_main},   {"songdump", songdump_main},
    {"songcheck", songcheck_main}, {"songplay", songplay_main}, {"songprep", songprep_main},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2)
        for (const Program& program : kPrograms)
            if (program.name == argv[1]) return program.run(argc - 1, argv + 1);
    std::fputs("songtools: name one of songmake, songasm, songdump, songcheck, songplay, songprep\n",
               stderr);
    return 1;
}
