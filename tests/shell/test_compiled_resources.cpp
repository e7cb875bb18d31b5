// The program's resources as the resource compiler wrote them: every field
// of both dialog templates, the icon group and its images, the marker, and
// the language of each.
#include <gtest/gtest.h>

#include <string>

#include "compiled_resources.h"
#include "dialog_template_reader.h"
#include "resource_ids.h"

namespace {

using compiled_resources::find;
using compiled_resources::program_resources;
using compiled_resources::Resource;

const std::uint16_t kTypeIcon = 3, kTypeDialog = 5, kTypeGroupIcon = 14;
const std::uint16_t kEnglishUnitedStates = 0x0409;

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
    dialog_template::Template t = dialog_template::parse(r->data);
    EXPECT_EQ(0x80C00048u, t.style);
    EXPECT_EQ(0x80000000u, t.extended_style);
    EXPECT_EQ(0, t.x);
    EXPECT_EQ(0, t.y);
    EXPECT_EQ(width, t.width);
    EXPECT_EQ(129, t.height);
    EXPECT_EQ("", t.menu);
    EXPECT_EQ("", t.window_class);
    EXPECT_EQ(caption, t.caption);
    EXPECT_EQ(8, t.point_size);
    EXPECT_EQ("MS Shell Dlg", t.face);
    ASSERT_EQ(items.size(), t.items.size()) << "item count";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ExpectedItem &e = items[i];
        const dialog_template::Item &item = t.items[i];
        SCOPED_TRACE("item " + std::to_string(e.id));
        EXPECT_EQ(e.id, item.id) << "template order";
        EXPECT_EQ(e.style, item.style);
        EXPECT_EQ(0u, item.extended_style);
        EXPECT_EQ(e.x, item.x);
        EXPECT_EQ(e.y, item.y);
        EXPECT_EQ(e.w, item.width);
        EXPECT_EQ(e.h, item.height);
        EXPECT_EQ(e.window_class, item.window_class) << "a predefined class must be stored by number";
        EXPECT_EQ(e.text, item.text);
        EXPECT_EQ(0, item.creation_bytes);
    }
    EXPECT_LE(r->data.size() - t.end, 3u) << "bytes after the last item";
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
    dialog_template::Reader c(group->data.data(), group->data.size());
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
        std::uint16_t width_height = c.u16();
        EXPECT_EQ(e.size, width_height & 0xff);
        EXPECT_EQ(e.size, width_height >> 8);
        EXPECT_EQ(e.depth == 4 ? 16 : 0, c.u16() & 0xff) << "colour count";
        EXPECT_EQ(1, c.u16()) << "planes";
        EXPECT_EQ(e.depth, c.u16());
        EXPECT_EQ(e.bytes, c.u32());
        std::uint16_t icon_id = c.u16();
        EXPECT_EQ(i + 1, icon_id) << "stored as icon resource " << i + 1;

        const Resource *icon = find(program_resources(), kTypeIcon, icon_id);
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(kEnglishUnitedStates, icon->language);
        ASSERT_EQ(e.bytes, icon->data.size());
        dialog_template::Reader dib(icon->data.data(), icon->data.size());
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
