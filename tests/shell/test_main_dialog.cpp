// The program's entry and main dialog against the recording platform double,
// with a stand-in engine.
#include <gtest/gtest.h>

#include <climits>

#include "compiled_resources.h"
#include "fake_engine.h"
#include "main_dialog.h"
#include "platform_double.h"
#include "resource_ids.h"

namespace {

namespace pd = platform_double;

const char kInstruction[] =
    "Tap the Run button to start Velmark benchmark measuring CPU performance.";
const char kWaiting[] =
    "Running the benchmark... expected duration under 60 seconds.\r\n\r\n"
    "Velmark loads the CPU so please be patient and do not operate the device until this "
    "message changes.";

WPARAM command(WORD id, WORD notification = 0)
{
    return static_cast<WPARAM>(id) | (static_cast<WPARAM>(notification) << 16);
}

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        pd::reset();
        fake_engine::reset();
        for (int id : {DLG_TALL, DLG_WIDE}) {
            const auto *r = compiled_resources::find(compiled_resources::program_resources(), 5,
                                                     static_cast<std::uint16_t>(id));
            ASSERT_NE(nullptr, r);
            pd::add_resource(5, id, r->data);
        }
        for (int id : {CTL_ICON, CTL_NAME, CTL_DATE, CTL_STATUS, CTL_RUN}) pd::add_control(id);
        pd::find_control(CTL_STATUS)->text = pd::widen(kInstruction);
        app_instance = pd::instance();
        pd::attach_dialog_procedure(main_dialog_proc);
    }

    static INT_PTR send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0)
    {
        return main_dialog_proc(pd::dialog(), message, wparam, lparam);
    }

    static std::string status() { return pd::narrow(pd::find_control(CTL_STATUS)->text); }

    static std::string shown_for(vm_int32 kflops)
    {
        pd::reset();
        pd::add_control(CTL_STATUS);
        pd::add_control(CTL_RUN);
        pd::attach_dialog_procedure(main_dialog_proc);
        fake_engine::set_rate(kflops);
        send(WM_COMMAND, command(CTL_RUN));
        return status();
    }

    // The template id of each re-layout, by its resource lookups.
    static std::vector<long long> relaid_templates()
    {
        std::vector<long long> ids;
        for (const pd::Call &c : pd::calls_named("FindResourceW")) ids.push_back(c.args[1]);
        return ids;
    }
};

TEST_F(MainDialog, ReturnValuesOfEachMessage)
{
    EXPECT_EQ(1, send(WM_INITDIALOG));
    EXPECT_EQ(0, send(WM_SIZE));
    EXPECT_EQ(0, send(WM_COMMAND, command(CTL_RUN)));
    EXPECT_EQ(0, send(WM_COMMAND, command(IDCANCEL)));
    EXPECT_EQ(0, send(WM_PAINT));
    EXPECT_EQ(0u, pd::count("EndDialog")) << "cancel is not handled";
    EXPECT_EQ(1, send(WM_COMMAND, command(IDOK)));
    EXPECT_EQ(1, send(WM_COMMAND, command(IDOK, 0x1234))) << "OK whatever its notification code";
    EXPECT_EQ(1, send(WM_CLOSE));
    auto ends = pd::calls_named("EndDialog");
    ASSERT_EQ(3u, ends.size());
    EXPECT_EQ(1, ends[0].args[1]);
    EXPECT_EQ(1, ends[1].args[1]);
    EXPECT_EQ(16, ends[2].args[1]);
}

TEST_F(MainDialog, InitDialogAsksTheShellForAFullScreenDialog)
{
    send(WM_INITDIALOG, 0, 0);
    auto init = pd::calls_named("SHInitDialog");
    ASSERT_EQ(1u, init.size());
    EXPECT_EQ((std::vector<long long>{1, reinterpret_cast<long long>(pd::dialog()), 0x2D}), init[0].args);
}

TEST_F(MainDialog, RunCommandInItsOrder)
{
    fake_engine::set_rate(1234567);
    pd::post(WM_PAINT);
    pd::post(WM_PAINT);
    send(WM_COMMAND, command(CTL_RUN));

    std::vector<std::string> names;
    for (const pd::Call &c : pd::calls()) names.push_back(c.name);
    EXPECT_EQ((std::vector<std::string>{"GetDlgItem", "ShowWindow", "SetDlgItemTextW", "PeekMessageW",
                                        "DispatchMessageW", "PeekMessageW", "DispatchMessageW",
                                        "PeekMessageW", "run_benchmark", "_snwprintf", "SetDlgItemTextW",
                                        "GetDlgItem", "ShowWindow"}),
              names);
    auto shows = pd::calls_named("ShowWindow");
    EXPECT_EQ(reinterpret_cast<long long>(pd::window_of(CTL_RUN)), shows[0].args[0]);
    EXPECT_EQ(SW_HIDE, shows[0].args[1]);
    EXPECT_EQ(SW_SHOW, shows[1].args[1]);
    auto texts = pd::calls_named("SetDlgItemTextW");
    EXPECT_EQ(CTL_STATUS, texts[0].args[1]);
    EXPECT_EQ(kWaiting, texts[0].text);
    EXPECT_EQ(CTL_STATUS, texts[1].args[1]);
    auto peeks = pd::calls_named("PeekMessageW");
    EXPECT_EQ((std::vector<long long>{reinterpret_cast<long long>(pd::dialog()), 0, 0, PM_REMOVE}),
              peeks[0].args);

    const fake_engine::Observed &seen = fake_engine::observed();
    EXPECT_EQ(0u, seen.pending_messages) << "the queue is drained before the run";
    EXPECT_FALSE(seen.run_button_visible);
    EXPECT_EQ(kWaiting, seen.status_text);
    EXPECT_EQ("CPU performance 1234.57 MFlops", status());
    EXPECT_TRUE(pd::find_control(CTL_RUN)->visible);
}

TEST_F(MainDialog, ResultIsTheSingleProductOfTheRateAndAThousandth)
{
    EXPECT_EQ("CPU performance 1.00 MFlops", shown_for(1005)) << "1005 * 0.001f is 1.00499999523";
    EXPECT_EQ("CPU performance 100.01 MFlops", shown_for(100005)) << "100.00500488 in single";
    EXPECT_EQ("CPU performance 0.00 MFlops", shown_for(0));
    EXPECT_EQ("CPU performance -1.23 MFlops", shown_for(-1234));
    EXPECT_EQ("CPU performance 2147483.75 MFlops", shown_for(INT_MAX));
    EXPECT_EQ("CPU performance -2147483.75 MFlops", shown_for(INT_MIN));
    auto prints = pd::calls_named("_snwprintf");
    ASSERT_EQ(1u, prints.size());
    EXPECT_EQ(256, prints[0].args[0]) << "bounded by the 256-character buffer";
}

TEST_F(MainDialog, RunStartsWhateverTheNotificationCode)
{
    send(WM_COMMAND, command(CTL_RUN, 0));
    send(WM_COMMAND, command(CTL_RUN, 5));
    send(WM_COMMAND, command(CTL_RUN, 0xFFFF));
    EXPECT_EQ(3, fake_engine::observed().runs);
    send(WM_COMMAND, command(IDCANCEL));
    send(WM_COMMAND, command(CTL_STATUS));
    EXPECT_EQ(3, fake_engine::observed().runs);
}

TEST_F(MainDialog, ResizeChoosesTheTemplateByTheScreen)
{
    pd::set_screen(240, 320);
    send(WM_SIZE);
    pd::set_screen(320, 240);
    send(WM_SIZE);
    pd::set_screen(480, 480);
    send(WM_SIZE);
    send(WM_SIZE);
    EXPECT_EQ((std::vector<long long>{DLG_TALL, DLG_WIDE, DLG_WIDE, DLG_WIDE}), relaid_templates())
        << "a square screen is wide, and every resize re-lays out";
    auto metrics = pd::calls_named("GetSystemMetrics");
    EXPECT_EQ(SM_CXSCREEN, metrics[0].args[0]);
    EXPECT_EQ(SM_CYSCREEN, metrics[1].args[0]);
}

TEST_F(MainDialog, ResizeAfterARunPutsTheInstructionBack)
{
    fake_engine::set_rate(5000);
    send(WM_COMMAND, command(CTL_RUN));
    ASSERT_EQ("CPU performance 5.00 MFlops", status());
    send(WM_SIZE);
    EXPECT_EQ(kInstruction, status());
}

TEST_F(MainDialog, ResizeHandledByTheDrain)
{
    fake_engine::set_rate(2000);
    pd::post(WM_SIZE);
    send(WM_COMMAND, command(CTL_RUN));
    const fake_engine::Observed &seen = fake_engine::observed();
    EXPECT_EQ(1, seen.runs) << "the run still takes place";
    EXPECT_EQ(kInstruction, seen.status_text) << "the re-layout replaced the waiting message";
    EXPECT_FALSE(seen.run_button_visible) << "a re-layout does not show the button";
    EXPECT_EQ("CPU performance 2.00 MFlops", status());
    EXPECT_TRUE(pd::find_control(CTL_RUN)->visible);
}

TEST_F(MainDialog, AppMainRunsTheTallTemplateAndReturnsZero)
{
    app_instance = nullptr;
    pd::post(WM_COMMAND, command(IDOK));
    EXPECT_EQ(0, app_main(pd::instance(), nullptr, nullptr, 5));
    EXPECT_EQ(pd::instance(), app_instance);
    EXPECT_EQ(1, pd::dialog_result());
    EXPECT_EQ(1u, pd::count("SHInitExtraControls"));
    EXPECT_LT(pd::index_of("SHInitExtraControls"), pd::index_of("FindResourceW"));
    auto find = pd::calls_named("FindResourceW");
    EXPECT_EQ(DLG_TALL, find[0].args[1]);
    EXPECT_EQ(5, find[0].args[2]);
    auto box = pd::calls_named("DialogBoxIndirectParamW");
    ASSERT_EQ(1u, box.size());
    EXPECT_EQ(reinterpret_cast<long long>(pd::instance()), box[0].args[0]);
    EXPECT_NE(0, box[0].args[1]) << "the loaded template bytes";
    EXPECT_EQ(0, box[0].args[2]) << "no owner";
    EXPECT_EQ(reinterpret_cast<long long>(&main_dialog_proc), box[0].args[3]);
    EXPECT_EQ(0, box[0].args[4]);

    pd::reset();
    pd::add_resource(5, DLG_TALL, {0});
    pd::post(WM_CLOSE);
    EXPECT_EQ(0, app_main(pd::instance(), nullptr, nullptr, 0));
    EXPECT_EQ(16, pd::dialog_result());
}

TEST_F(MainDialog, DialogOpensTallOnAWideScreenUntilItsFirstResize)
{
    pd::set_screen(320, 240);
    pd::post(WM_SIZE);
    pd::post(WM_CLOSE);
    app_main(pd::instance(), nullptr, nullptr, 0);
    EXPECT_EQ((std::vector<long long>{DLG_TALL, DLG_WIDE}), relaid_templates())
        << "opened from 105, then re-laid out wide";
}

}  // namespace
