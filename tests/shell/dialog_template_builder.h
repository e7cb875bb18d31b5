// Builds standard dialog templates byte by byte for the re-layout tests, so
// that every layout corner (no font block, names for classes, creation data,
// odd lengths) can be made on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_templates {

// A name-or-number field.
struct Field {
    static Field number(std::uint16_t value) { return Field{true, value, {}}; }
    static Field name(const std::u16string &text) { return Field{false, 0, text}; }
    static Field empty() { return name(u""); }
    bool is_number;
    std::uint16_t value;
    std::u16string text;
};

struct Item {
    std::uint32_t style = 0x50000000;
    std::int16_t x = 0, y = 0, width = 10, height = 10;
    std::uint16_t id = 0;
    Field window_class = Field::number(0x0082);
    Field text = Field::empty();
    std::vector<std::uint8_t> creation_data;  // written after its size word
};

struct Template {
    std::uint32_t style = 0x80C00048;
    Field menu = Field::empty();
    Field window_class = Field::empty();
    Field caption = Field::name(u"Test");
    bool font = true;  // follows the style's 0x40 bit unless told otherwise
    std::uint16_t point_size = 8;
    std::u16string face = u"MS Shell Dlg";
    std::vector<Item> items;
};

class Writer {
public:
    void u16(std::uint16_t v) { bytes.push_back(v & 0xff); bytes.push_back(v >> 8); }
    void u32(std::uint32_t v) { u16(v & 0xffff); u16(v >> 16); }
    void field(const Field &f)
    {
        if (f.is_number) {
            u16(0xffff);
            u16(f.value);
        } else {
            for (char16_t c : f.text) u16(c);
            u16(0);
        }
    }
    void align4()
    {
        while (bytes.size() % 4) bytes.push_back(0);
    }
    std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> build(const Template &t)
{
    Writer w;
    std::uint32_t style = t.font ? (t.style | 0x40) : (t.style & ~0x40u);
    w.u32(style);
    w.u32(0);
    w.u16(static_cast<std::uint16_t>(t.items.size()));
    w.u16(0); w.u16(0); w.u16(100); w.u16(100);
    w.field(t.menu);
    w.field(t.window_class);
    w.field(t.caption);
    if (t.font) {
        w.u16(t.point_size);
        w.field(Field::name(t.face));
    }
    for (const Item &item : t.items) {
        w.align4();
        w.u32(item.style);
        w.u32(0);
        w.u16(static_cast<std::uint16_t>(item.x));
        w.u16(static_cast<std::uint16_t>(item.y));
        w.u16(static_cast<std::uint16_t>(item.width));
        w.u16(static_cast<std::uint16_t>(item.height));
        w.u16(item.id);
        w.field(item.window_class);
        w.field(item.text);
        if (item.creation_data.empty()) {
            w.u16(0);
        } else {
            w.u16(static_cast<std::uint16_t>(item.creation_data.size() + 2));
            w.bytes.insert(w.bytes.end(), item.creation_data.begin(), item.creation_data.end());
        }
    }
    return w.bytes;
}

}  // namespace test_templates
