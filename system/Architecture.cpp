#include "Architecture.h"

#include <windows.h>

#include <cstring>

#include "ScriptWords.h"
#include "win32/Handles.h"

namespace {

EArchitecture g_eApplication = ArchitectureX86;

// By EArchitecture: the script's words, which are Windows' own names.
const char* const kNames[] = {ArchitectureWord::X86, ArchitectureWord::X64, ArchitectureWord::Arm64};

bool IsWow64()
{
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

bool ParseArchitecture(const CSmallString& written, EArchitecture& architecture)
{
    CSmallString text = written;
    text.TrimBoth();
    if (text.IsEmpty()) {
        architecture = ArchitectureX86;
        return true;
    }
    for (int i = 0; i < 3; i++)
        if (text.IsSameNoCase(CSmallString(kNames[i]))) {
            architecture = (EArchitecture)i;
            return true;
        }
    return false;
}

const char* GetArchitectureName(EArchitecture architecture) { return kNames[architecture]; }

EArchitecture GetNativeMachine()
{
    // The only answer that is true under emulation (an x86 or x64 program
    // on ARM64 Windows is told "x64" or "x86" by GetNativeSystemInfo).
    typedef BOOL(WINAPI * IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);
    const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process2")));
    USHORT process = 0, native = 0;
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &process, &native))
        return native == 0xAA64 ? ArchitectureArm64 : native == 0x8664 ? ArchitectureX64 : ArchitectureX86;
    if (!IsWow64())
        return ArchitectureX86;
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == 12 /* PROCESSOR_ARCHITECTURE_ARM64 */ ? ArchitectureArm64
           : info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64       ? ArchitectureX64
                                                                                : ArchitectureX86;
}

bool CanRunOn(EArchitecture application, EArchitecture native)
{
    return application == ArchitectureX86 || application == native ||
           (application == ArchitectureX64 && native == ArchitectureArm64);
}

void SetApplicationArchitecture(EArchitecture architecture)
{
    g_eApplication = architecture;
    SetApplicationRegistryView(architecture == ArchitectureX86 ? 0 : KEY_WOW64_64KEY);
}

EArchitecture GetApplicationArchitecture() { return g_eApplication; }

bool IsApplication64Bit() { return g_eApplication != ArchitectureX86; }

CSmallString ToNativeSystemPath(const CSmallString& path)
{
    if (!IsApplication64Bit() || !IsWow64())
        return path;
    char system[MAX_PATH], windows[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, MAX_PATH), w = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (!n || n >= MAX_PATH || !w || w >= MAX_PATH || path.GetLength() < (int)n ||
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, (int)n, system, (int)n) != CSTR_EQUAL ||
        (path.GetLength() > (int)n && path.GetAt((int)n) != '\\'))
        return path;
    // Sysnative: the alias under which a 32-bit program sees the 64-bit
    // system folder (Vista and later).
    return CSmallString(windows) + (windows[w - 1] == '\\' ? "" : "\\") + "Sysnative" +
           path.Mid((int)n, path.GetLength() - (int)n);
}
