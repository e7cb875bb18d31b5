// The C library's few needs, met with Linux system calls: the loader links
// newlib for its printing and containers, without newlib's own start-up.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <sys/stat.h>

#include "linux_runtime.h"

extern "C" {

int main(int argc, char **argv);
void *realign_targets[kRealignTrampolines];
void __libc_init_array();

namespace {
const long kExit = 1, kRead = 3, kWrite = 4, kOpen = 5, kClose = 6, kExitGroup = 248;
const long kClockGettime = 263, kMmap2 = 192, kMprotect = 125, kRtSigaction = 174;

// newlib's malloc grows into this; the image gets memory of its own.
alignas(8) char heap[64 << 20];
std::size_t heap_used = 0;
}  // namespace

void loader_start(long *initial_stack)
{
    int argc = static_cast<int>(initial_stack[0]);
    char **argv = reinterpret_cast<char **>(initial_stack + 1);
    __libc_init_array();
    std::exit(main(argc, argv));
}

void _init() {}
void _fini() {}
// What newlib's start-up files would define: the handle that static
// destructors are registered under.
__attribute__((visibility("hidden"))) void *__dso_handle = &__dso_handle;

int getentropy(void *, std::size_t)
{
    errno = ENOSYS;  // nothing here draws random numbers
    return -1;
}

void _exit(int status)
{
    linux_syscall(kExitGroup, status, 0, 0, 0, 0, 0);
    linux_syscall(kExit, status, 0, 0, 0, 0, 0);
    for (;;) {
    }
}

int _write(int fd, const void *bytes, std::size_t count)
{
    long written = linux_syscall(kWrite, fd, reinterpret_cast<long>(bytes), static_cast<long>(count), 0, 0, 0);
    if (written < 0) {
        errno = static_cast<int>(-written);
        return -1;
    }
    return static_cast<int>(written);
}

int _read(int fd, void *bytes, std::size_t count)
{
    long got = linux_syscall(kRead, fd, reinterpret_cast<long>(bytes), static_cast<long>(count), 0, 0, 0);
    if (got < 0) {
        errno = static_cast<int>(-got);
        return -1;
    }
    return static_cast<int>(got);
}

int _open(const char *path, int, ...)
{
    long fd = linux_syscall(kOpen, reinterpret_cast<long>(path), 0 /* O_RDONLY */, 0, 0, 0, 0);
    if (fd < 0) {
        errno = static_cast<int>(-fd);
        return -1;
    }
    return static_cast<int>(fd);
}

int _close(int fd) { return linux_syscall(kClose, fd, 0, 0, 0, 0, 0) < 0 ? -1 : 0; }
int _lseek(int, int, int) { errno = ESPIPE; return -1; }
int _fstat(int, struct stat *st) { st->st_mode = S_IFCHR; return 0; }
int _isatty(int fd) { return fd <= 2; }
int _getpid() { return 1; }
int _kill(int, int) { errno = EINVAL; return -1; }

void *_sbrk(std::ptrdiff_t increment)
{
    if (increment < 0 || heap_used + static_cast<std::size_t>(increment) > sizeof heap) {
        errno = ENOMEM;
        return reinterpret_cast<void *>(-1);
    }
    void *start = heap + heap_used;
    heap_used += static_cast<std::size_t>(increment);
    return start;
}

}  // extern "C"

long long monotonic_nanoseconds()
{
    long times[2] = {0, 0};  // seconds, nanoseconds: 32-bit on ARM EABI Linux
    linux_syscall(kClockGettime, 1 /* CLOCK_MONOTONIC */, reinterpret_cast<long>(times), 0, 0, 0, 0);
    return static_cast<long long>(times[0]) * 1000000000LL + times[1];
}

void *map_fixed(unsigned long address, unsigned long size)
{
    const long read_write = 3, private_anonymous_fixed = 0x02 | 0x20 | 0x10;
    long mapped = linux_syscall(kMmap2, static_cast<long>(address), static_cast<long>(size), read_write,
                                private_anonymous_fixed, -1, 0);
    return mapped == static_cast<long>(address) ? reinterpret_cast<void *>(mapped) : nullptr;
}

bool protect(unsigned long address, unsigned long size, bool execute, bool read, bool write)
{
    const long flags = (read ? 1 : 0) | (write ? 2 : 0) | (execute ? 4 : 0);
    return linux_syscall(kMprotect, static_cast<long>(address), static_cast<long>(size), flags, 0, 0, 0) == 0;
}

namespace {

void (*undefined_instruction_handler)(unsigned long pc) = nullptr;

// ARM Linux's signal frame: the ucontext's machine context starts after
// uc_flags, uc_link and the three words of uc_stack; its pc follows
// trap_no, error_code, oldmask, r0-r10, fp, ip, sp and lr.
const unsigned kContextPcWord = 5 + 18;

void on_sigill(int, void *, void *context)
{
    undefined_instruction_handler(static_cast<unsigned long *>(context)[kContextPcWord]);
}

}  // namespace

bool on_undefined_instruction(void (*trapped)(unsigned long pc))
{
    undefined_instruction_handler = trapped;
    struct {
        void (*handler)(int, void *, void *);
        unsigned long flags;
        void *restorer;
        unsigned long mask[2];
    } action = {on_sigill, 4 /* SA_SIGINFO */, nullptr, {0, 0}};
    const long sigill = 4;
    return linux_syscall(kRtSigaction, sigill, reinterpret_cast<long>(&action), 0, 8, 0, 0) == 0;
}
