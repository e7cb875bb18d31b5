// Reads a standard dialog template into its fields, for tests that compare
// what a resource compiler wrote, or what a dialog shows, with the template.
// Header-only so that host tests and the Windows test programs share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dialog_template {

struct Item {
    std::uint32_t style = 0, extended_style = 0;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
    std::uint16_t id = 0;
    std::string window_class;  // "#N" for a predefined class number
    std::string text;          // "#N" for a resource number
    std::uint16_t creation_bytes = 0;
};

struct Template {
    std::uint32_t style = 0, extended_style = 0;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
    std::string menu, window_class, caption;
    std::uint16_t point_size = 0;
    std::string face;
    std::vector<Item> items;
    std::size_t end = 0;  // offset just after the last item
};

class Reader {
public:
    Reader(const std::uint8_t *bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::uint16_t u16()
    {
        if (at_ + 2 > size_) throw std::out_of_range("template ends early");
        std::uint16_t v = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return v;
    }
    std::uint32_t u32()
    {
        std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    void align4() { at_ = (at_ + 3) & ~std::size_t(3); }
    void skip(std::size_t n) { at_ += n; }
    std::size_t offset() const { return at_; }
    // "#N" for a number, the text (ASCII) for a name
    std::string field()
    {
        std::uint16_t first = u16();
        if (first == 0xffff) return "#" + std::to_string(u16());
        std::string text;
        for (std::uint16_t c = first; c != 0; c = u16()) text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }

private:
    const std::uint8_t *bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline Template parse(const std::uint8_t *bytes, std::size_t size)
{
    Reader r(bytes, size);
    Template t;
    t.style = r.u32();
    t.extended_style = r.u32();
    std::uint16_t count = r.u16();
    t.x = r.s16();
    t.y = r.s16();
    t.width = r.s16();
    t.height = r.s16();
    t.menu = r.field();
    t.window_class = r.field();
    t.caption = r.field();
    if (t.style & 0x40) {
        t.point_size = r.u16();
        t.face = r.field();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        r.align4();
        Item item;
        item.style = r.u32();
        item.extended_style = r.u32();
        item.x = r.s16();
        item.y = r.s16();
        item.width = r.s16();
        item.height = r.s16();
        item.id = r.u16();
        item.window_class = r.field();
        item.text = r.field();
        item.creation_bytes = r.u16();
        if (item.creation_bytes > 2) r.skip(item.creation_bytes - 2);
        t.items.push_back(item);
    }
    t.end = r.offset();
    return t;
}

inline Template parse(const std::vector<std::uint8_t> &bytes) { return parse(bytes.data(), bytes.size()); }

}  // namespace dialog_template
