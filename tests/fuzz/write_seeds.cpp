// Writes the program's two compiled dialog templates into a folder, as the
// fuzzer's seed inputs.
#include <cstdio>
#include <fstream>
#include <string>

#include "compiled_resources.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (std::uint16_t id : {105, 106}) {
        const auto *r = compiled_resources::find(compiled_resources::program_resources(), 5, id);
        if (!r) continue;
        std::ofstream out(std::string(argv[1]) + "/template_" + std::to_string(id), std::ios::binary);
        out.write(reinterpret_cast<const char *>(r->data.data()), static_cast<std::streamsize>(r->data.size()));
        ++written;
    }
    return written == 2 ? 0 : 1;
}
