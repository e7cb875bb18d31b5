#include "pe_image.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "linux_runtime.h"

namespace ce_loader {
namespace {

std::uint16_t u16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t *p) { return u16(p) | (static_cast<std::uint32_t>(u16(p + 2)) << 16); }

const std::uint32_t kLowestAddress = 0x10000;      // the lowest 64 KB are never mapped
const std::uint32_t kSlotSize = 32u << 20;         // a process's slot
const std::uint16_t kMachineArm = 0x1C0, kMachineThumb = 0x1C2;
const std::uint16_t kRelocsStripped = 0x0001, kExecutable = 0x0002;
const std::uint16_t kSubsystemWindowsCeGui = 9;
// The kernel's own version, which the build gives (VELMARK_WM5_SUBSYSTEM_VERSION).
const unsigned kNewestSubsystem = VELMARK_NEWEST_SUBSYSTEM_MAJOR * 100 + VELMARK_NEWEST_SUBSYSTEM_MINOR;

const std::uint8_t *at_rva(const MappedImage &image, std::uint32_t rva, std::uint32_t bytes)
{
    if (rva > image.size || image.size - rva < bytes) return nullptr;
    return reinterpret_cast<const std::uint8_t *>(static_cast<std::uintptr_t>(image.base + rva));
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    return text;
}

}  // namespace

std::string map_image(const std::vector<std::uint8_t> &file, MappedImage &image)
{
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return "no MZ header";
    std::uint32_t pe = u32(&file[0x3C]);
    if (pe > file.size() || file.size() - pe < 24 + 96 + 16 * 8) return "e_lfanew points past the file";
    const std::uint8_t *coff = &file[pe];
    if (std::memcmp(coff, "PE\0\0", 4) != 0) return "no PE signature";
    std::uint16_t machine = u16(coff + 4);
    if (machine != kMachineArm && machine != kMachineThumb) return "machine " + hex(machine) + " is not ARM";
    unsigned sections = u16(coff + 6);
    std::uint16_t characteristics = u16(coff + 22);
    if (!(characteristics & kExecutable)) return "not an executable image";
    const std::uint8_t *optional = coff + 24;
    if (u16(optional) != 0x10B) return "not a PE32 optional header";
    std::uint32_t entry = u32(optional + 16);
    image.base = u32(optional + 28);
    std::uint32_t section_alignment = u32(optional + 32);
    unsigned subsystem_version = u16(optional + 48) * 100u + u16(optional + 50);
    image.size = u32(optional + 56);
    std::uint32_t headers_size = u32(optional + 60);
    std::uint16_t subsystem = u16(optional + 68);
    if (subsystem != kSubsystemWindowsCeGui) return "subsystem " + std::to_string(subsystem) + " is not Windows CE GUI";
    if (subsystem_version > kNewestSubsystem) {
        char version[16];
        std::snprintf(version, sizeof version, "%u.%02u", subsystem_version / 100, subsystem_version % 100);
        char newest[16];
        std::snprintf(newest, sizeof newest, "%u.%02u", kNewestSubsystem / 100, kNewestSubsystem % 100);
        return std::string("subsystem version ") + version + " is newer than the kernel's " + newest;
    }
    if (section_alignment != 0x1000) return "section alignment is not 0x1000";
    // The section table is found as if all 16 directories were present.
    const std::uint8_t *table = optional + 96 + 16 * 8;
    const std::uint8_t *directories = optional + 96;
    if (u32(directories + 5 * 8) != 0 || !(characteristics & kRelocsStripped))
        return "the image carries relocations, which this loader does not apply";
    if (image.base < kLowestAddress || image.base % 0x10000 || image.size > kSlotSize - image.base)
        return "image base " + hex(image.base) + " is outside the process slot";
    if (headers_size > image.size || headers_size > file.size()) return "headers larger than the image";
    if (static_cast<std::size_t>(table - file.data()) + 40u * sections > file.size()) return "section table past the file";

    if (!map_fixed(image.base, image.size)) return "cannot map the image at " + hex(image.base);
    std::uint8_t *memory = reinterpret_cast<std::uint8_t *>(static_cast<std::uintptr_t>(image.base));
    std::memcpy(memory, file.data(), headers_size);
    for (unsigned i = 0; i < sections; ++i) {
        const std::uint8_t *s = table + 40 * i;
        std::uint32_t virtual_size = u32(s + 8), rva = u32(s + 12);
        std::uint32_t raw_size = u32(s + 16), raw_at = u32(s + 20), flags = u32(s + 36);
        std::uint32_t copied = raw_size < virtual_size ? raw_size : virtual_size;
        if (rva > image.size || image.size - rva < virtual_size) return "a section lies outside the image";
        if (copied && (raw_at > file.size() || file.size() - raw_at < copied)) return "a section's bytes lie past the file";
        std::memcpy(memory + rva, file.data() + raw_at, copied);
        if ((flags & 0x20000000) && image.code_start == 0) {  // the first executable section
            image.code_start = image.base + rva;
            image.code_end = image.base + rva + virtual_size;
        }
    }
    if (entry < headers_size || entry >= image.size) return "the entry point lies outside the image";
    // The device's protections: nothing but the headers and the sections is
    // mapped, the headers read-only, each section as its flags say.
    const std::uint32_t page = 0x1000;
    if (!protect(image.base, image.size, false, false, false) ||
        !protect(image.base, (headers_size + page - 1) / page * page, false, true, false))
        return "cannot protect the image's headers";
    for (unsigned i = 0; i < sections; ++i) {
        const std::uint8_t *s = table + 40 * i;
        std::uint32_t virtual_size = u32(s + 8), rva = u32(s + 12), flags = u32(s + 36);
        if (virtual_size && !protect(image.base + rva, (virtual_size + page - 1) / page * page, flags & 0x20000000u,
                                     flags & 0x40000000u, flags & 0x80000000u))
            return "cannot protect a section as its flags say";
    }
    image.entry = image.base + entry;
    image.import_rva = u32(directories + 1 * 8);
    image.resource_rva = u32(directories + 2 * 8);
    return {};
}

std::string bind_imports(const MappedImage &image, const std::vector<Export> &exports)
{
    std::uint32_t import_rva = image.import_rva;
    if (import_rva == 0) return "no import directory";
    for (std::uint32_t at = import_rva;; at += 20) {
        const std::uint8_t *descriptor = at_rva(image, at, 20);
        if (!descriptor) return "the import directory runs past the image";
        std::uint32_t lookup = u32(descriptor), name = u32(descriptor + 12), slots = u32(descriptor + 16);
        if (lookup == 0 && name == 0 && slots == 0) return {};
        if (lookup == 0 || slots == 0) return "an import descriptor lacks its lookup or address table";
        const char *dll = reinterpret_cast<const char *>(at_rva(image, name, 1));
        if (!dll) return "a DLL name lies outside the image";
        for (std::uint32_t k = 0;; k += 4) {
            const std::uint8_t *entry = at_rva(image, lookup + k, 4);
            std::uint8_t *slot = const_cast<std::uint8_t *>(at_rva(image, slots + k, 4));
            if (!entry || !slot) return std::string("the import tables of ") + dll + " run past the image";
            std::uint32_t hint_name = u32(entry);
            if (hint_name == 0) break;
            if (hint_name & 0x80000000u) return std::string("an import by ordinal from ") + dll;
            const char *function = reinterpret_cast<const char *>(at_rva(image, hint_name + 2, 1));
            if (!function) return "an import name lies outside the image";
            const Export *found = nullptr;
            for (const Export &e : exports)
                if (strcasecmp(e.dll, dll) == 0 && std::strcmp(e.name, function) == 0) found = &e;
            if (!found) return std::string("unknown import ") + dll + "!" + function;
            std::uint32_t address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(found->address));
            std::memcpy(slot, &address, 4);
        }
    }
}

namespace {

// Calls visit(name field, offset field) for each entry of the resource
// table at offset (from the resource directory's start).
template <typename Visit>
std::string walk_table(const MappedImage &image, std::uint32_t offset, Visit visit)
{
    const std::uint8_t *t = at_rva(image, image.resource_rva + offset, 16);
    if (!t) return "a resource table lies outside the image";
    unsigned count = u16(t + 12) + u16(t + 14);
    for (unsigned i = 0; i < count; ++i) {
        const std::uint8_t *e = at_rva(image, image.resource_rva + offset + 16 + 8 * i, 8);
        if (!e) return "a resource entry lies outside the image";
        std::string wrong = visit(u32(e), u32(e + 4));
        if (!wrong.empty()) return wrong;
    }
    return {};
}

const std::uint32_t kNamed = 0x80000000u, kSubtable = 0x80000000u;

}  // namespace

std::string numbered_resources(const MappedImage &image, std::vector<Resource> &resources)
{
    if (image.resource_rva == 0) return "no resource directory";
    return walk_table(image, 0, [&](std::uint32_t type, std::uint32_t type_table) {
        if (type & kNamed) return std::string();
        return walk_table(image, type_table & ~kSubtable, [&](std::uint32_t name, std::uint32_t name_table) {
            if (name & kNamed) return std::string();
            return walk_table(image, name_table & ~kSubtable, [&](std::uint32_t language, std::uint32_t leaf) {
                const std::uint8_t *data = at_rva(image, image.resource_rva + leaf, 16);
                if (!data) return std::string("a resource data entry lies outside the image");
                Resource r;
                r.type = static_cast<int>(type);
                r.id = static_cast<int>(name);
                r.language = static_cast<int>(language);
                r.size = u32(data + 4);
                r.bytes = at_rva(image, u32(data), r.size);
                if (!r.bytes) return std::string("a resource's bytes lie outside the image");
                resources.push_back(r);
                return std::string();
            });
        });
    });
}

}  // namespace ce_loader
