#include "host_description.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

#include "arm_cpu_names.h"

namespace velmark {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The brand string that cpuid leaves 0x80000002..4 spell out.
std::string cpuid_brand()
{
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0x80000000u, &eax, &ebx, &ecx, &edx) || eax < 0x80000004u) {
        return "";
    }
    char brand[49] = {};
    for (unsigned int leaf = 0; leaf < 3; ++leaf) {
        unsigned int r[4] = {};
        __get_cpuid(0x80000002u + leaf, &r[0], &r[1], &r[2], &r[3]);
        std::memcpy(brand + 16 * leaf, r, sizeof r);
    }
    return brand;
}
#endif

// The processor as /proc/cpuinfo describes it; empty where there is none.
std::string proc_cpuinfo_model()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::stringstream text;
    text << cpuinfo.rdbuf();
    return cpu_from_cpuinfo(text.str());
}

std::string operating_system()
{
#ifdef _WIN32
    // RtlGetVersion tells the real version, where GetVersionEx answers what
    // the program's manifest asked for.
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW *);
    typedef const char *(CDECL * WineGetVersionFn)(void);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    RtlGetVersionFn rtl_get_version =
        ntdll ? reinterpret_cast<RtlGetVersionFn>(
                    reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    std::string text = "Windows";
    if (rtl_get_version && rtl_get_version(&version) == 0) {
        text += " " + std::to_string(version.dwMajorVersion) + "." +
                std::to_string(version.dwMinorVersion) + "." + std::to_string(version.dwBuildNumber);
    }
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: text += " x86_64"; break;
    case PROCESSOR_ARCHITECTURE_INTEL: text += " x86"; break;
    case PROCESSOR_ARCHITECTURE_ARM: text += " arm"; break;
    case 12: text += " arm64"; break;  // PROCESSOR_ARCHITECTURE_ARM64
    default: break;
    }
    WineGetVersionFn wine_version =
        ntdll ? reinterpret_cast<WineGetVersionFn>(
                    reinterpret_cast<void *>(GetProcAddress(ntdll, "wine_get_version")))
              : nullptr;
    if (wine_version) {
        text += std::string(" (wine ") + wine_version() + ")";
    }
    return text;
#else
    struct utsname name;
    if (uname(&name) != 0) {
        return "unknown";
    }
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
#endif
}

}  // namespace


HostDescription describe_host()
{
    HostDescription host;
    host.os = tidy_spaces(operating_system());
#if defined(__x86_64__) || defined(__i386__)
    host.cpu = tidy_spaces(cpuid_brand());
#endif
    if (host.cpu.empty()) host.cpu = proc_cpuinfo_model();
    if (host.cpu.empty()) host.cpu = "unknown";
    host.logical_cpus = static_cast<int>(std::thread::hardware_concurrency());
    return host;
}

std::string utc_timestamp()
{
    return utc_timestamp(std::time(nullptr));
}

std::string utc_timestamp(std::time_t when)
{
    std::tm utc = {};
#ifdef _WIN32
    gmtime_s(&utc, &when);
#else
    gmtime_r(&when, &utc);
#endif
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) {
        return "unknown";
    }
    return text;
}

}  // namespace velmark
