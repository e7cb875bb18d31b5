// A test-only device image whose program, given the command line
// "overrun", overruns a local array: the stack guard must end the process
// before the overrun function returns, and nothing of the program may run
// after that. Given any other, it fills the array within its bounds and
// returns 0.
#include <windows.h>

namespace {

// In .data, so that this image also has initialised data before its
// .bss, which the real one lacks.
volatile int overrun_by = 40;  // bytes past the array's end
__attribute__((aligned(8))) volatile int last_value;  // in .bss, past a gap its alignment makes

void __attribute__((noinline)) fill(char *bytes, int count)
{
    for (int i = 0; i < count; ++i) bytes[i] = 'x';
}

int __attribute__((noinline)) fill_buffer(int past_end)
{
    char buffer[16];
    fill(buffer, static_cast<int>(sizeof buffer) + past_end);
    return buffer[3];
}

bool asks_for_overrun(LPCWSTR command_line)
{
    const WCHAR word[] = L"overrun";
    for (int i = 0; word[i]; ++i) {
        if (command_line[i] != word[i]) return false;
    }
    return command_line[7] == 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR command_line, int)
{
    int value = fill_buffer(asks_for_overrun(command_line) ? overrun_by : 0);
    last_value = value;
    // After an overrun, not reached: the guard's failure path has ended
    // the process.
    SetDlgItemTextW(0, value, L"after the fill");
    return 0;
}
