// Loads a Windows CE PE image the way the device's loader does: checks what
// that loader checks, maps the image at its base from the file, and binds
// each import by name to one of the loader's own functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ce_loader {

struct Export {
    const char *dll;   // compared ignoring case, as DLL names are
    const char *name;
    void *address;
};

struct MappedImage {
    std::uint32_t base = 0;
    std::uint32_t size = 0;
    std::uint32_t entry = 0;  // an address
    std::uint32_t import_rva = 0;
    std::uint32_t resource_rva = 0;
    std::uint32_t code_start = 0, code_end = 0;  // addresses
};

// A resource of the image, found through its resource directory.
struct Resource {
    int type = 0, id = 0, language = 0;
    const std::uint8_t *bytes = nullptr;
    std::uint32_t size = 0;
};

// Each returns an empty string on success, else what was wrong.
std::string map_image(const std::vector<std::uint8_t> &file, MappedImage &image);
std::string bind_imports(const MappedImage &image, const std::vector<Export> &exports);
// The image's resources with numeric types and names (named ones skipped).
std::string numbered_resources(const MappedImage &image, std::vector<Resource> &resources);

}  // namespace ce_loader
