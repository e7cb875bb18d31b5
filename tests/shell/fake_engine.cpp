#include "fake_engine.h"

#include "platform_double.h"
#include "resource_ids.h"
#include "velmark_engine.h"

namespace fake_engine {
namespace {

vm_int32 rate = 0;
Observed seen;

}  // namespace

void set_rate(vm_int32 kflops) { rate = kflops; }
const Observed &observed() { return seen; }
void reset()
{
    rate = 0;
    seen = Observed();
}

}  // namespace fake_engine

extern "C" vm_int32 run_benchmark(void)
{
    namespace pd = platform_double;
    using namespace fake_engine;
    pd::record("run_benchmark");
    ++seen.runs;
    seen.pending_messages = pd::pending();
    if (const pd::Control *run = pd::find_control(CTL_RUN)) seen.run_button_visible = run->visible;
    if (const pd::Control *status = pd::find_control(CTL_STATUS)) seen.status_text = pd::narrow(status->text);
    return rate;
}
