// The program's resources as the resource compiler wrote them: every field
// of both dialog templates, the icon group and its images, the marker, and
// the language of each.
#include <gtest/gtest.h>

#include <string>

#include "compiled_resources.h"
#include "resource_ids.h"

namespace {

using compiled_resources::find;
using compiled_resources::program_resources;
using compiled_resources::Resource;

const std::uint16_t kTypeIcon = 3, kTypeDialog = 5, kTypeGroupIcon = 14;
const std::uint16_t kEnglishUnitedStates = 0x0409;

// A reading cursor over one template, with the field shapes of the format.
struct Cursor {
    const std::vector<std::uint8_t> &b;
    std::size_t at = 0;
    std::uint16_t u16() { std::uint16_t v = b.at(at) | (b.at(at + 1) << 8); at += 2; return v; }
    std::uint32_t u32() { std::uint32_t lo = u16(); return lo | (std::uint32_t(u16()) << 16); }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    void align4() { at = (at + 3) & ~std::size_t(3); }
    // "#N" for a number, the text for a name
    std::string field()
    {
        std::uint16_t first = u16();
        if (first == 0xffff) return "#" + std::to_string(u16());
        std::string text;
        for (std::uint16_t c = first; c != 0; c = u16()) text += static_cast<char>(c);
        return text;
    }
};

struct ExpectedItem {
    std::uint16_t id;
    std::string window_class;
    std::uint32_t style;
    std::int16_t x, y, w, h;
    std::string text;
};

const char kInstruction[] =
    "Tap the Run button to start Velmark benchmark measuring CPU performance.";

void check_template(std::uint16_t id, std::int16_t width, const std::string &caption,
                    const std::vector<ExpectedItem> &items)
{
    SCOPED_TRACE("template " + std::to_string(id));
    const Resource *r = find(program_resources(), kTypeDialog, id);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(kEnglishUnitedStates, r->language);
    Cursor c{r->data};
    EXPECT_EQ(0x80C00048u, c.u32()) << "style";
    EXPECT_EQ(0x80000000u, c.u32()) << "extended style";
    EXPECT_EQ(items.size(), c.u16()) << "item count";
    EXPECT_EQ(0, c.s16());
    EXPECT_EQ(0, c.s16());
    EXPECT_EQ(width, c.s16());
    EXPECT_EQ(129, c.s16());
    EXPECT_EQ("", c.field()) << "menu";
    EXPECT_EQ("", c.field()) << "class";
    EXPECT_EQ(caption, c.field());
    EXPECT_EQ(8, c.u16()) << "point size";
    EXPECT_EQ("MS Shell Dlg", c.field());
    for (const ExpectedItem &e : items) {
        SCOPED_TRACE("item " + std::to_string(e.id));
        c.align4();
        EXPECT_EQ(e.style, c.u32());
        EXPECT_EQ(0u, c.u32()) << "extended style";
        EXPECT_EQ(e.x, c.s16());
        EXPECT_EQ(e.y, c.s16());
        EXPECT_EQ(e.w, c.s16());
        EXPECT_EQ(e.h, c.s16());
        EXPECT_EQ(e.id, c.u16());
        EXPECT_EQ(e.window_class, c.field()) << "a predefined class must be stored by number";
        EXPECT_EQ(e.text, c.field());
        EXPECT_EQ(0, c.u16()) << "creation data";
    }
    EXPECT_LE(r->data.size() - c.at, 3u) << "bytes after the last item";
}

TEST(CompiledResources, TallTemplate)
{
    check_template(DLG_TALL, 156, "Velmark",
                   {{CTL_ICON, "#130", 0x50000803, 12, 12, 20, 20, "#101"},
                    {CTL_NAME, "#130", 0x50020080, 12, 36, 137, 8, "Velmark-WinCE-ARMV4I"},
                    {CTL_DATE, "#130", 0x50020000, 12, 48, 137, 8, "December 2005"},
                    {CTL_STATUS, "#130", 0x50020000, 12, 64, 137, 58, kInstruction},
                    {CTL_RUN, "#128", 0x50010000, 99, 14, 50, 14, "Run"}});
}

TEST(CompiledResources, WideTemplate)
{
    check_template(DLG_WIDE, 210, "About Velmark-WinCE-ARMV4I",
                   {{CTL_ICON, "#130", 0x50000803, 12, 12, 20, 20, "#101"},
                    {CTL_NAME, "#130", 0x50020080, 48, 12, 92, 8, "Velmark-WinCE-ARMV4I"},
                    {CTL_DATE, "#130", 0x50020000, 48, 24, 84, 8, "December 2005"},
                    {CTL_STATUS, "#130", 0x50020000, 48, 40, 155, 82, kInstruction},
                    {CTL_RUN, "#128", 0x50010000, 153, 14, 50, 14, "Run"}});
}

TEST(CompiledResources, IconGroupHoldsEightImagesInOrder)
{
    const Resource *group = find(program_resources(), kTypeGroupIcon, ICON_APP);
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(kEnglishUnitedStates, group->language);
    Cursor c{group->data};
    EXPECT_EQ(0, c.u16());
    EXPECT_EQ(1, c.u16()) << "type: icon";
    ASSERT_EQ(8, c.u16());
    struct Image {
        int size, depth;
        std::uint32_t bytes;
    } expected[] = {{32, 4, 744},  {16, 4, 296},   {48, 8, 3752},  {32, 8, 2216},
                    {16, 8, 1384}, {48, 32, 9640}, {32, 32, 4264}, {16, 32, 1128}};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        const Image &e = expected[i];
        EXPECT_EQ(e.size, c.b.at(c.at));
        EXPECT_EQ(e.size, c.b.at(c.at + 1));
        EXPECT_EQ(e.depth == 4 ? 16 : 0, c.b.at(c.at + 2)) << "colour count";
        c.at += 4;
        EXPECT_EQ(1, c.u16()) << "planes";
        EXPECT_EQ(e.depth, c.u16());
        EXPECT_EQ(e.bytes, c.u32());
        std::uint16_t icon_id = c.u16();
        EXPECT_EQ(i + 1, icon_id) << "stored as icon resource " << i + 1;

        const Resource *icon = find(program_resources(), kTypeIcon, icon_id);
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(kEnglishUnitedStates, icon->language);
        ASSERT_EQ(e.bytes, icon->data.size());
        Cursor dib{icon->data};
        EXPECT_EQ(40u, dib.u32()) << "header size";
        EXPECT_EQ(std::uint32_t(e.size), dib.u32()) << "width";
        EXPECT_EQ(std::uint32_t(2 * e.size), dib.u32()) << "height: image and mask";
        EXPECT_EQ(1, dib.u16());
        EXPECT_EQ(e.depth, dib.u16());
        EXPECT_EQ(0u, dib.u32()) << "uncompressed";
    }
}

TEST(CompiledResources, HighResolutionMarker)
{
    const Resource *marker = nullptr;
    for (const Resource &r : program_resources())
        if (r.type == std::u16string(u"CEUX") && r.name == std::u16string(u"HI_RES_AWARE")) marker = &r;
    ASSERT_NE(nullptr, marker);
    EXPECT_EQ(kEnglishUnitedStates, marker->language);
    EXPECT_EQ((std::vector<std::uint8_t>{0x01, 0x00}), marker->data);
}

TEST(CompiledResources, NothingElseIsStored)
{
    // two templates, the group, eight images and the marker
    EXPECT_EQ(12u, program_resources().size());
}

}  // namespace
