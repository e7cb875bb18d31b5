#include "compiled_resources.h"

#include <fstream>
#include <iterator>

namespace compiled_resources {
namespace {

std::uint16_t u16(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

std::uint32_t u32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return u16(b, at) | (static_cast<std::uint32_t>(u16(b, at + 2)) << 16);
}

NameOrId read_name_or_id(const std::vector<std::uint8_t> &b, std::size_t &at)
{
    NameOrId result;
    if (u16(b, at) == 0xffff) {
        result.id = u16(b, at + 2);
        at += 4;
        return result;
    }
    result.is_id = false;
    for (std::uint16_t c; (c = u16(b, at)) != 0; at += 2) result.name += static_cast<char16_t>(c);
    at += 2;
    return result;
}

}  // namespace

std::vector<Resource> read_res_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Resource> all;
    std::size_t at = 0;
    while (at + 32 <= b.size()) {
        std::uint32_t data_size = u32(b, at);
        std::uint32_t header_size = u32(b, at + 4);
        std::size_t field = at + 8;
        Resource r;
        r.type = read_name_or_id(b, field);
        r.name = read_name_or_id(b, field);
        field = (field + 3) & ~std::size_t(3);
        r.language = u16(b, field + 6);
        std::size_t data = at + header_size;
        r.data.assign(b.begin() + data, b.begin() + data + data_size);
        // The first entry of every .res file is an empty marker.
        if (!(data_size == 0 && r.type == 0 && r.name == 0)) all.push_back(r);
        at = (data + data_size + 3) & ~std::size_t(3);
    }
    return all;
}

const std::vector<Resource> &program_resources()
{
    static const std::vector<Resource> all = read_res_file(VELMARK_COMPILED_RES);
    return all;
}

const Resource *find(const std::vector<Resource> &all, std::uint16_t type, std::uint16_t id)
{
    for (const Resource &r : all)
        if (r.type == type && r.name == id) return &r;
    return nullptr;
}

}  // namespace compiled_resources
