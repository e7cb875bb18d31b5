// Fuzzes the dialog template walk: the input is the template resource,
// re-laid out onto a dialog that has the program's controls and a few
// others. It must never crash, read outside the resource or hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dialog_relayout.h"
#include "platform_double.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    namespace pd = platform_double;
    pd::reset();
    for (int id : {1, 2, 3, 201, 202, 203, 204, 1000, 0xFFFF}) pd::add_control(id).selection = id & 1 ? 2 : -1;
    pd::add_resource(5, 105, std::vector<std::uint8_t>(data, data + size));
    relayout_dialog(pd::instance(), pd::dialog(), 105);
    return 0;
}
