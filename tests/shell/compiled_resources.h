// Reads the resource file that the build's resource compiler made from the
// program's .rc, so that tests look at the bytes the device gets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace compiled_resources {

struct NameOrId {
    bool is_id = true;
    std::uint16_t id = 0;
    std::u16string name;
    bool operator==(std::uint16_t other) const { return is_id && id == other; }
    bool operator==(const std::u16string &other) const { return !is_id && name == other; }
};

struct Resource {
    NameOrId type;
    NameOrId name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

// Every resource in the .res file at path, in file order; empty and a test
// failure reported by the caller when the file cannot be read.
std::vector<Resource> read_res_file(const std::string &path);

// The program's resources, compiled by this build (the path comes from the
// build system).
const std::vector<Resource> &program_resources();

const Resource *find(const std::vector<Resource> &all, std::uint16_t type, std::uint16_t id);

}  // namespace compiled_resources
