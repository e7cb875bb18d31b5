// The re-layout against the recording platform double: what it moves, what
// it sets again, and how each failure ends the walk.
#include <gtest/gtest.h>

#include "compiled_resources.h"
#include "dialog_relayout.h"
#include "dialog_template_builder.h"
#include "platform_double.h"
#include "resource_ids.h"

namespace {

namespace pd = platform_double;
using test_templates::Field;
using test_templates::Item;
using test_templates::Template;

const int kTypeDialog = 5;
const int kTestTemplate = 300;

class Relayout : public ::testing::Test {
protected:
    void SetUp() override { pd::reset(); }

    void add_program_dialog()
    {
        for (int id : {DLG_TALL, DLG_WIDE}) {
            const auto *r = compiled_resources::find(compiled_resources::program_resources(),
                                                     kTypeDialog, static_cast<std::uint16_t>(id));
            ASSERT_NE(nullptr, r);
            pd::add_resource(kTypeDialog, id, r->data);
        }
        for (int id : {CTL_ICON, CTL_NAME, CTL_DATE, CTL_STATUS, CTL_RUN}) pd::add_control(id);
    }

    void add_template(const Template &t) { pd::add_resource(kTypeDialog, kTestTemplate, test_templates::build(t)); }

    int relayout(int id = kTestTemplate) { return relayout_dialog(pd::instance(), pd::dialog(), id); }

    static RECT pixels(int x, int y, int w, int h)
    {
        return RECT{x * pd::kPixelsPerUnitX, y * pd::kPixelsPerUnitY, (x + w) * pd::kPixelsPerUnitX,
                    (y + h) * pd::kPixelsPerUnitY};
    }

    static void expect_at(int id, RECT r)
    {
        const pd::Control *c = pd::find_control(id);
        ASSERT_NE(nullptr, c);
        EXPECT_EQ(r.left, c->position.left) << "control " << id;
        EXPECT_EQ(r.top, c->position.top) << "control " << id;
        EXPECT_EQ(r.right, c->position.right) << "control " << id;
        EXPECT_EQ(r.bottom, c->position.bottom) << "control " << id;
    }

    static std::vector<long long> moved_ids()
    {
        std::vector<long long> ids;
        for (const pd::Call &c : pd::calls_named("DeferWindowPos"))
            ids.push_back(c.args[1] - reinterpret_cast<long long>(pd::window_of(0)));
        return ids;
    }

    static std::string text_of(int id) { return pd::narrow(pd::find_control(id)->text); }
};

Item text_item(std::uint16_t id, const std::u16string &text, std::int16_t x = 0)
{
    Item item;
    item.id = id;
    item.x = x;
    item.text = Field::name(text);
    return item;
}

TEST_F(Relayout, ProgramTemplatesMoveEveryControlInOneBatch)
{
    add_program_dialog();
    ASSERT_EQ(1, relayout(DLG_WIDE));
    ASSERT_EQ(1u, pd::count("BeginDeferWindowPos"));
    EXPECT_EQ(5, pd::calls_named("BeginDeferWindowPos")[0].args[0]) << "room for exactly the items";
    EXPECT_EQ(1u, pd::count("EndDeferWindowPos"));
    for (const pd::Call &c : pd::calls_named("DeferWindowPos")) {
        EXPECT_EQ(0, c.args[2]) << "no insert-after window";
        EXPECT_EQ(4, c.args[7]) << "flags: keep the z order";
    }
    // Nothing moves until the batch ends.
    EXPECT_LT(pd::index_of("DeferWindowPos"), pd::index_of("EndDeferWindowPos"));
    expect_at(CTL_ICON, pixels(12, 12, 20, 20));
    expect_at(CTL_NAME, pixels(48, 12, 92, 8));
    expect_at(CTL_DATE, pixels(48, 24, 84, 8));
    expect_at(CTL_STATUS, pixels(48, 40, 155, 82));
    expect_at(CTL_RUN, pixels(153, 14, 50, 14));

    ASSERT_EQ(1, relayout(DLG_TALL));
    expect_at(CTL_NAME, pixels(12, 36, 137, 8));
    expect_at(CTL_STATUS, pixels(12, 64, 137, 58));
    expect_at(CTL_RUN, pixels(99, 14, 50, 14));
    EXPECT_EQ(0u, pd::count("error: stale batch handle"));
}

TEST_F(Relayout, TextsAreSetFromTheTemplateAgain)
{
    add_program_dialog();
    pd::find_control(CTL_STATUS)->text = u"CPU performance 12.34 MFlops";
    ASSERT_EQ(1, relayout(DLG_TALL));
    EXPECT_EQ("Tap the Run button to start Velmark benchmark measuring CPU performance.",
              text_of(CTL_STATUS));
    EXPECT_EQ("Velmark-WinCE-ARMV4I", text_of(CTL_NAME));
    EXPECT_EQ("December 2005", text_of(CTL_DATE));
    EXPECT_EQ("Run", text_of(CTL_RUN));
    EXPECT_EQ(4u, pd::count("SetDlgItemTextW")) << "the icon item has no text";
}

TEST_F(Relayout, IconItemGetsItsIconAgainAndThePreviousIsDestroyed)
{
    add_program_dialog();
    HANDLE old_icon = reinterpret_cast<HANDLE>(0x1234);
    pd::find_control(CTL_ICON)->images[1] = old_icon;
    ASSERT_EQ(1, relayout(DLG_TALL));
    auto loads = pd::calls_named("LoadIconW");
    ASSERT_EQ(1u, loads.size());
    EXPECT_EQ(ICON_APP, loads[0].args[1]) << "icon loaded by the item's number";
    EXPECT_NE(old_icon, pd::find_control(CTL_ICON)->images[1]);
    EXPECT_EQ(std::vector<HANDLE>{old_icon}, pd::destroyed_images());
    EXPECT_LT(pd::index_of("SendDlgItemMessageW"), pd::index_of("LoadIconW")) << "previous asked first";
    long set_image = -1;
    for (std::size_t i = 0; i < pd::calls().size(); ++i)
        if (pd::calls()[i].name == "SendDlgItemMessageW" && pd::calls()[i].args[2] == 0x0172) set_image = long(i);
    ASSERT_NE(-1, set_image);
    EXPECT_LT(set_image, pd::index_of("DestroyIcon")) << "the new icon is set before the old one goes";
}

TEST_F(Relayout, SharedIconThatIsReloadedIsNotDestroyed)
{
    add_program_dialog();
    pd::share_loaded_images(true);
    HANDLE shared = reinterpret_cast<HANDLE>(pd::kShared + ICON_APP);
    pd::find_control(CTL_ICON)->images[1] = shared;
    ASSERT_EQ(1, relayout(DLG_TALL));
    EXPECT_EQ(shared, pd::find_control(CTL_ICON)->images[1]);
    EXPECT_TRUE(pd::destroyed_images().empty()) << "the icon on show was destroyed";
}

TEST_F(Relayout, FailedImageLoadKeepsThePreviousImage)
{
    add_program_dialog();
    HANDLE old_icon = reinterpret_cast<HANDLE>(0x1234);
    pd::find_control(CTL_ICON)->images[1] = old_icon;
    pd::fail("LoadIconW");
    EXPECT_EQ(1, relayout(DLG_TALL)) << "an image is not part of the outcome";
    EXPECT_EQ(old_icon, pd::find_control(CTL_ICON)->images[1]);
    EXPECT_TRUE(pd::destroyed_images().empty());
}

TEST_F(Relayout, FailuresWhoseResultsAreNotUsedChangeNothing)
{
    add_program_dialog();
    pd::find_control(CTL_ICON)->images[1] = reinterpret_cast<HANDLE>(0x1234);
    for (const char *call : {"SetDlgItemTextW", "SendDlgItemMessageW", "DestroyIcon"}) pd::fail(call);
    EXPECT_EQ(1, relayout(DLG_TALL)) << "texts and images are not part of the outcome";
    expect_at(CTL_RUN, pixels(99, 14, 50, 14));
}

TEST_F(Relayout, BitmapItemReloadsItsBitmapAndDeletesThePrevious)
{
    Template t;
    Item bitmap;
    bitmap.id = 7;
    bitmap.style = 0x5000000E;
    bitmap.text = Field::number(42);
    Item neither = bitmap;  // numeric text, but the style is neither
    neither.id = 8;
    neither.style = 0x50000004;
    Item button_icon = bitmap;  // the style tests apply to buttons too
    button_icon.id = 9;
    button_icon.style = 0x50000003;
    button_icon.window_class = Field::number(0x0080);
    Item half_icon = bitmap;  // one of the two icon bits is not an icon
    half_icon.id = 10;
    half_icon.style = 0x50000001;
    t.items = {bitmap, neither, button_icon, half_icon};
    add_template(t);
    pd::add_control(7).images[0] = reinterpret_cast<HANDLE>(0x77);
    pd::add_control(8);
    pd::add_control(9);
    pd::add_control(10);
    ASSERT_EQ(1, relayout());
    ASSERT_EQ(1u, pd::count("LoadBitmapW"));
    EXPECT_EQ(42, pd::calls_named("LoadBitmapW")[0].args[1]);
    EXPECT_EQ(1u, pd::count("DeleteObject"));
    EXPECT_EQ(0x77, pd::calls_named("DeleteObject")[0].args[0]);
    EXPECT_EQ(1u, pd::count("LoadIconW")) << "the button marked as an icon";
    EXPECT_EQ(0u, pd::count("DestroyIcon")) << "it had no previous icon";
    EXPECT_EQ(0u, pd::count("SetDlgItemTextW"));
}

TEST_F(Relayout, ListAndComboBoxesKeepTheirSelection)
{
    Template t;
    Item list, combo, empty_list;
    list.id = 1;
    list.window_class = Field::number(0x0083);
    combo.id = 2;
    combo.window_class = Field::number(0x0085);
    empty_list.id = 3;
    empty_list.window_class = Field::number(0x0083);
    t.items = {list, combo, empty_list};
    add_template(t);
    pd::add_control(1).selection = 4;
    pd::add_control(2).selection = 0;
    pd::add_control(3).selection = -1;
    ASSERT_EQ(1, relayout());
    std::vector<std::vector<long long>> messages;
    for (const pd::Call &c : pd::calls_named("SendDlgItemMessageW"))
        messages.push_back({c.args[1], c.args[2], c.args[3], c.args[4]});
    EXPECT_EQ((std::vector<std::vector<long long>>{{1, 0x188, 0, 0},
                                                   {1, 0x186, 4, 0},
                                                   {2, 0x147, 0, 0},
                                                   {2, 0x14E, 0, 0},
                                                   {3, 0x188, 0, 0}}),
              messages);
    EXPECT_EQ(4, pd::find_control(1)->selection);
    EXPECT_EQ(-1, pd::find_control(3)->selection);
}

TEST_F(Relayout, NamedClassesEditsAndScrollBarsAreOnlyMoved)
{
    Template t;
    Item named = text_item(1, u"named"), edit = text_item(2, u"edit"), scroll = text_item(3, u"bar");
    named.window_class = Field::name(u"CustomClass");
    edit.window_class = Field::number(0x0081);
    scroll.window_class = Field::number(0x0084);
    t.items = {named, edit, scroll};
    add_template(t);
    for (int id : {1, 2, 3}) pd::add_control(id);
    ASSERT_EQ(1, relayout());
    EXPECT_EQ((std::vector<long long>{1, 2, 3}), moved_ids());
    EXPECT_EQ(0u, pd::count("SetDlgItemTextW"));
    EXPECT_EQ(0u, pd::count("SendDlgItemMessageW"));
}

TEST_F(Relayout, EmptyNameIsSetAsAnEmptyText)
{
    Template t;
    t.items = {text_item(1, u"")};
    add_template(t);
    pd::add_control(1).text = u"old";
    ASSERT_EQ(1, relayout());
    EXPECT_EQ("", text_of(1));
}

TEST_F(Relayout, TemplateWithoutFontAndItemsWithCreationData)
{
    // Without the font block the first item follows the caption at the next
    // 4-byte boundary; creation data (odd-sized here) is skipped by its size.
    Template t;
    t.font = false;
    t.caption = Field::name(u"abc");  // 18 + 2 + 2 + 8 = 30: item at 32
    Item first = text_item(1, u"one", -4);  // left of the dialog's origin
    first.creation_data = {0xAA, 0xBB, 0xCC};
    Item second = text_item(2, u"two", 6);
    second.creation_data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    Item third = text_item(3, u"three", 7);
    t.items = {first, second, third};
    add_template(t);
    for (int id : {1, 2, 3}) pd::add_control(id);
    ASSERT_EQ(1, relayout());
    EXPECT_EQ("one", text_of(1));
    EXPECT_EQ("two", text_of(2));
    EXPECT_EQ("three", text_of(3));
    expect_at(1, pixels(-4, 0, 10, 10));
    expect_at(3, pixels(7, 0, 10, 10));
}

TEST_F(Relayout, PointSizeZeroIsStillSkippedBeforeTheFace)
{
    Template t;
    t.point_size = 0;  // a zero word that must not be read as an empty face name
    t.items = {text_item(1, u"one", 3)};
    add_template(t);
    pd::add_control(1);
    ASSERT_EQ(1, relayout());
    EXPECT_EQ("one", text_of(1));
    expect_at(1, pixels(3, 0, 10, 10));
}

TEST_F(Relayout, TemplateWithNoItemsEndsAnEmptyBatch)
{
    add_template(Template{});
    EXPECT_EQ(1, relayout());
    EXPECT_EQ(0, pd::calls_named("BeginDeferWindowPos")[0].args[0]);
    EXPECT_EQ(1u, pd::count("EndDeferWindowPos"));

    pd::reset();
    add_template(Template{});
    pd::fail("EndDeferWindowPos");
    EXPECT_EQ(0, relayout()) << "the result is that of ending the batch";
}

TEST_F(Relayout, RepeatedIdItems)
{
    Template one;
    one.items = {text_item(0xFFFF, u"a"), text_item(5, u"b")};
    add_template(one);
    pd::add_control(0xFFFF);
    pd::add_control(5);
    EXPECT_EQ(1, relayout()) << "a single 0xFFFF item is fine";

    pd::reset();
    Template two;
    two.items = {text_item(0xFFFF, u"a"), text_item(0xFFFF, u"b", 3)};
    add_template(two);
    pd::add_control(0xFFFF);
    EXPECT_EQ(0, relayout());
    EXPECT_EQ(2u, pd::count("DeferWindowPos")) << "each is still looked up, moved and refreshed";
    EXPECT_EQ("b", text_of(0xFFFF));
}

TEST_F(Relayout, FailuresBeforeTheBatchChangeNothing)
{
    for (const char *failing : {"FindResourceW", "LoadResource", "BeginDeferWindowPos"}) {
        SCOPED_TRACE(failing);
        pd::reset();
        add_program_dialog();
        pd::fail(failing);
        EXPECT_EQ(0, relayout(DLG_TALL));
        EXPECT_EQ(0u, pd::count("GetDlgItem"));
        EXPECT_EQ(0u, pd::count("EndDeferWindowPos"));
    }
    pd::reset();
    add_program_dialog();
    EXPECT_EQ(0, relayout(999)) << "no such template";
    EXPECT_EQ(0u, pd::count("BeginDeferWindowPos"));
}

TEST_F(Relayout, MissingControlEndsTheWalkButTheBatchIsEnded)
{
    add_program_dialog();
    pd::fail("GetDlgItem", 3);  // the date control is not found
    pd::find_control(CTL_STATUS)->text = u"result";
    EXPECT_EQ(0, relayout(DLG_WIDE));
    EXPECT_EQ((std::vector<long long>{CTL_ICON, CTL_NAME}), moved_ids());
    EXPECT_EQ(1u, pd::count("EndDeferWindowPos"));
    expect_at(CTL_NAME, pixels(48, 12, 92, 8));
    expect_at(CTL_STATUS, RECT{});
    EXPECT_EQ("result", text_of(CTL_STATUS)) << "items after the missing one are not refreshed";
}

TEST_F(Relayout, DialogWithoutControlsMovesNothing)
{
    const auto *r = compiled_resources::find(compiled_resources::program_resources(), kTypeDialog, DLG_TALL);
    ASSERT_NE(nullptr, r);
    pd::add_resource(kTypeDialog, DLG_TALL, r->data);
    EXPECT_EQ(0, relayout(DLG_TALL));
    EXPECT_EQ(0u, pd::count("DeferWindowPos"));
    EXPECT_EQ(1u, pd::count("EndDeferWindowPos"));
}

TEST_F(Relayout, FailedConversionEndsTheWalk)
{
    add_program_dialog();
    pd::fail("MapDialogRect", 2);
    EXPECT_EQ(0, relayout(DLG_TALL));
    EXPECT_EQ((std::vector<long long>{CTL_ICON}), moved_ids());
    EXPECT_EQ(0u, pd::count("SetDlgItemTextW")) << "the name item is not refreshed";
    EXPECT_EQ(1u, pd::count("EndDeferWindowPos"));
}

TEST_F(Relayout, FailedAdditionDoesNotEndTheWalk)
{
    add_program_dialog();
    pd::fail("DeferWindowPos", 2);
    pd::find_control(CTL_NAME)->text = u"changed";
    EXPECT_EQ(0, relayout(DLG_TALL));
    EXPECT_EQ(5u, pd::count("DeferWindowPos"));
    EXPECT_EQ("Velmark-WinCE-ARMV4I", text_of(CTL_NAME)) << "the item is still refreshed";
    expect_at(CTL_NAME, RECT{});
    expect_at(CTL_RUN, pixels(99, 14, 50, 14));
    EXPECT_EQ(0u, pd::count("error: stale batch handle")) << "the batch goes on with its last good handle";
}

TEST_F(Relayout, TruncatedTemplateFailsWhereItRunsOut)
{
    const auto *r = compiled_resources::find(compiled_resources::program_resources(), kTypeDialog, DLG_TALL);
    ASSERT_NE(nullptr, r);
    // Every cut of the real template: no read past the resource (the double
    // holds exactly the bytes given), a result of 0, and a begun batch ended.
    for (std::size_t size = 0; size < r->data.size(); ++size) {
        SCOPED_TRACE("size " + std::to_string(size));
        pd::reset();
        for (int id : {CTL_ICON, CTL_NAME, CTL_DATE, CTL_STATUS, CTL_RUN}) pd::add_control(id);
        pd::add_resource(kTypeDialog, DLG_TALL,
                         std::vector<std::uint8_t>(r->data.begin(), r->data.begin() + size));
        ASSERT_EQ(0, relayout(DLG_TALL));
        EXPECT_EQ(pd::count("BeginDeferWindowPos"), pd::count("EndDeferWindowPos"));
    }
}

TEST_F(Relayout, ItemCountPastTheEndIsAFailureAfterTheRealItems)
{
    Template t;
    t.items = {text_item(1, u"one")};
    std::vector<std::uint8_t> bytes = test_templates::build(t);
    bytes[8] = 3;  // claims three items
    pd::add_resource(kTypeDialog, kTestTemplate, bytes);
    pd::add_control(1);
    EXPECT_EQ(0, relayout());
    EXPECT_EQ(1u, pd::count("DeferWindowPos"));
    EXPECT_EQ("one", text_of(1));
}

TEST(SkipNameOrNumber, FieldShapes)
{
    const std::uint8_t number[] = {0xff, 0xff, 0x65, 0x00, 0x99};
    EXPECT_EQ(number + 4, skip_name_or_number(number, number + sizeof number));
    const std::uint8_t empty[] = {0x00, 0x00, 0x41, 0x00};
    EXPECT_EQ(empty + 2, skip_name_or_number(empty, empty + sizeof empty));
    const std::uint8_t name[] = {0x41, 0x00, 0x42, 0x00, 0x00, 0x00, 0x43, 0x00};
    EXPECT_EQ(name + 6, skip_name_or_number(name, name + sizeof name));
    EXPECT_EQ(nullptr, skip_name_or_number(name, name + 5)) << "terminator cut off";
    EXPECT_EQ(nullptr, skip_name_or_number(number, number + 3));
    EXPECT_EQ(nullptr, skip_name_or_number(number, number + 1));
}

}  // namespace
