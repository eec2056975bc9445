// Everything here runs inside a crashed process: no heap, no C++ objects
// with constructors, no C run-time formatting; only fixed buffers and
// kernel32 calls.
#include "CrashReport.h"

#include "StackWalk.h"
#include "win32/Handles.h"

namespace {

// Text collected in a fixed buffer and written out when it fills.
class CReportFile
{
public:
    explicit CReportFile(HANDLE file) : m_hFile(file), m_uUsed(0), m_bFailed(false) {}

    void Text(const char* text)
    {
        while (text && *text)
            Char(*text++);
    }
    // Text that came from outside the program, safe inside HTML.
    void Html(const char* text)
    {
        for (; text && *text; text++) {
            switch (*text) {
            case '&':
                Text("&amp;");
                break;
            case '<':
                Text("&lt;");
                break;
            case '>':
                Text("&gt;");
                break;
            case '"':
                Text("&quot;");
                break;
            default:
                Char(*text);
            }
        }
    }
    void Hex(DWORD value, int digits = 8)
    {
        static const char s_szDigits[] = "0123456789ABCDEF";
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            Char(s_szDigits[(value >> shift) & 0xF]);
    }
    void Address(DWORD value)
    {
        Text("0x");
        Hex(value);
    }
    void Decimal(DWORD value, int minDigits = 1)
    {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = (char)('0' + value % 10);
            value /= 10;
        } while (value);
        while (n < minDigits && n < (int)sizeof(digits))
            digits[n++] = '0';
        while (n)
            Char(digits[--n]);
    }
    void Char(char c)
    {
        if (m_uUsed == sizeof(s_achBuffer))
            Flush();
        s_achBuffer[m_uUsed++] = c;
    }
    bool Finish()
    {
        Flush();
        return !m_bFailed;
    }

private:
    void Flush()
    {
        DWORD written = 0;
        if (m_uUsed && (!WriteFile(m_hFile, s_achBuffer, m_uUsed, &written, nullptr) || written != m_uUsed))
            m_bFailed = true;
        m_uUsed = 0;
    }

    static char s_achBuffer[4096];
    HANDLE m_hFile;
    DWORD m_uUsed;
    bool m_bFailed;
};

char CReportFile::s_achBuffer[4096];
char s_szModule[MAX_PATH + 1];

} // namespace

// The module holding address and the offset into it, or "?".
static void WriteLocation(CReportFile& out, DWORD address, bool fullPath)
{
    out.Address(address);
    MEMORY_BASIC_INFORMATION region;
    if (!address || VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof(region)) != sizeof(region) ||
        region.Type != MEM_IMAGE || !region.AllocationBase) {
        out.Text(" ?");
        return;
    }
    const DWORD base = (DWORD)(ULONG_PTR)region.AllocationBase;
    const DWORD length =
        GetModuleFileNameA(static_cast<HMODULE>(region.AllocationBase), s_szModule, sizeof(s_szModule) - 1);
    s_szModule[length < sizeof(s_szModule) ? length : sizeof(s_szModule) - 1] = 0;
    const char* name = s_szModule;
    if (!fullPath)
        for (const char* p = s_szModule; *p; p++)
            if (*p == '\\' || *p == '/')
                name = p + 1;
    out.Char(' ');
    out.Html(*name ? name : "?");
    out.Text("+0x");
    out.Hex(address - base);
}

static void WriteHeader(CReportFile& out, const char* windowsVersion, const char* supportUrl)
{
    out.Text("<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>Setup crash report</title>\r\n"
             "<style>body{font-family:sans-serif;margin:2em}textarea{width:100%;font-family:monospace}</style>"
             "</head><body>\r\n<h1>Setup stopped because of an error</h1>\r\n"
             "<p>Setup met an error it could not recover from and had to close. The report below tells where "
             "it happened.");
    if (supportUrl && *supportUrl) {
        out.Text(" Please send it with the button at the bottom of this page; nothing else from your computer is "
                 "sent.</p>\r\n<form method=\"post\" action=\"");
        out.Html(supportUrl);
        out.Text("\">\r\n");
    } else {
        out.Text(" Please give it to the publisher of the program.</p>\r\n");
    }
    out.Text("<textarea name=\"report\" rows=\"36\" cols=\"100\" readonly>");

    SYSTEMTIME now;
    GetLocalTime(&now);
    out.Text("Setup crash report\r\nTime: ");
    out.Decimal(now.wYear, 4);
    out.Char('-');
    out.Decimal(now.wMonth, 2);
    out.Char('-');
    out.Decimal(now.wDay, 2);
    out.Char(' ');
    out.Decimal(now.wHour, 2);
    out.Char(':');
    out.Decimal(now.wMinute, 2);
    out.Char(':');
    out.Decimal(now.wSecond, 2);
    out.Text("\r\nProgram: ");
    const DWORD length = GetModuleFileNameA(nullptr, s_szModule, sizeof(s_szModule) - 1);
    s_szModule[length < sizeof(s_szModule) ? length : sizeof(s_szModule) - 1] = 0;
    out.Html(s_szModule);
    out.Text("\r\nSystem: ");
    out.Html(windowsVersion && *windowsVersion ? windowsVersion : "unknown");
    out.Text("\r\n");
}

static void WriteFault(CReportFile& out, const EXCEPTION_RECORD* record)
{
    out.Text("\r\n[Fault]\r\n");
    if (!record) {
        out.Text("No exception record.\r\n");
        return;
    }
    const DWORD code = record->ExceptionCode;
    const char* name = GetExceptionName(code);
    out.Text("Exception: 0x");
    out.Hex(code);
    out.Char(' ');
    out.Text(name ? name : "unknown exception");
    out.Text("\r\nAddress: ");
    WriteLocation(out, (DWORD)(ULONG_PTR)record->ExceptionAddress, true);
    if ((code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_IN_PAGE_ERROR) && record->NumberParameters >= 2) {
        const ULONG_PTR kind = record->ExceptionInformation[0];
        out.Text("\r\nAccess: ");
        out.Text(kind == 0 ? "read from " : kind == 1 ? "write to " : kind == 8 ? "execute at " : "access to ");
        out.Address((DWORD)record->ExceptionInformation[1]);
    }
    out.Text("\r\nFlags: 0x");
    out.Hex(record->ExceptionFlags);
    out.Text("\r\n");
}

#ifdef _WIN64
static const char kNotX86[] = "Not recorded: the report reads the registers and stack of x86 alone.\r\n";
#else
static void WriteRegister(CReportFile& out, const char* name, DWORD value, int digits, const char* after)
{
    out.Text(name);
    out.Char('=');
    out.Hex(value, digits);
    out.Text(after);
}
#endif

static void WriteRegisters(CReportFile& out, const CONTEXT* context)
{
    out.Text("\r\n[Registers]\r\n");
    if (!context) {
        out.Text("No context.\r\n");
        return;
    }
#ifdef _WIN64
    // The 64-bit build exists to run the tests where 32-bit programs can't.
    out.Text(kNotX86);
#else
    WriteRegister(out, "EAX", context->Eax, 8, " ");
    WriteRegister(out, "EBX", context->Ebx, 8, " ");
    WriteRegister(out, "ECX", context->Ecx, 8, " ");
    WriteRegister(out, "EDX", context->Edx, 8, "\r\n");
    WriteRegister(out, "ESI", context->Esi, 8, " ");
    WriteRegister(out, "EDI", context->Edi, 8, " ");
    WriteRegister(out, "EBP", context->Ebp, 8, " ");
    WriteRegister(out, "ESP", context->Esp, 8, "\r\n");
    WriteRegister(out, "EIP", context->Eip, 8, " ");
    WriteRegister(out, "EFLAGS", context->EFlags, 8, "\r\n");
    WriteRegister(out, "CS", context->SegCs, 4, " ");
    WriteRegister(out, "DS", context->SegDs, 4, " ");
    WriteRegister(out, "ES", context->SegEs, 4, " ");
    WriteRegister(out, "FS", context->SegFs, 4, " ");
    WriteRegister(out, "GS", context->SegGs, 4, " ");
    WriteRegister(out, "SS", context->SegSs, 4, "\r\n");
#endif
}

static void WriteStack(CReportFile& out, const CONTEXT* context)
{
    out.Text("\r\n[Stack: frames]\r\n");
    if (!context) {
        out.Text("No context.\r\n");
        return;
    }
#ifdef _WIN64
    out.Text(kNotX86);
#else
    static DWORD s_auFrames[64];
    const unsigned frames = WalkFrames(context->Eip, context->Ebp, s_auFrames, 64);
    for (unsigned i = 0; i < frames; i++) {
        out.Char('#');
        out.Decimal(i);
        out.Char(' ');
        WriteLocation(out, s_auFrames[i], false);
        out.Text("\r\n");
    }

    // Optimised code keeps no frame chain: code addresses near the top of
    // the stack are the likely callers.
    out.Text("\r\n[Stack: code addresses from ESP]\r\n");
    const DWORD esp = context->Esp & ~3u;
    unsigned found = 0;
    for (DWORD offset = 0; offset < 4096 && found < 32; offset += 4) {
        if (!IsReadableMemory(esp + offset, 4))
            break;
        const DWORD value = *reinterpret_cast<const DWORD*>(esp + offset);
        if (!IsCodeAddress(value))
            continue;
        out.Text("ESP+0x");
        out.Hex(offset, 4);
        out.Char(' ');
        WriteLocation(out, value, false);
        out.Text("\r\n");
        found++;
    }

    out.Text("\r\n[Stack: memory at ESP]\r\n");
    for (DWORD offset = 0; offset < 256; offset += 4) {
        if (!IsReadableMemory(esp + offset, 4)) {
            out.Text(offset ? "\r\n" : "");
            out.Text("(unreadable)\r\n");
            return;
        }
        if (offset % 32 == 0) {
            out.Address(esp + offset);
            out.Char(':');
        }
        out.Char(' ');
        out.Hex(*reinterpret_cast<const DWORD*>(esp + offset));
        if (offset % 32 == 28)
            out.Text("\r\n");
    }
#endif
}

static void WriteFooter(CReportFile& out, const char* supportUrl)
{
    out.Text("</textarea>\r\n");
    if (supportUrl && *supportUrl)
        out.Text("<p><label>What were you doing when setup stopped? (optional)<br>\r\n"
                 "<textarea name=\"comment\" rows=\"4\" cols=\"100\"></textarea></label></p>\r\n"
                 "<p><input type=\"submit\" value=\"Send report\"></p>\r\n</form>\r\n");
    out.Text("</body></html>\r\n");
}

// A new file at path or, when the name is taken, at a numbered one, which
// path then holds.
static HANDLE CreateReportFile(char* path, unsigned capacity)
{
    static char s_szStem[MAX_PATH + 32];
    static char s_szCandidate[MAX_PATH + 32];
    // CREATE_NEW fails on any existing name: nothing is followed or replaced.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
        return file;
    const int length = lstrlenA(path);
    if (length >= (int)sizeof(s_szStem))
        return INVALID_HANDLE_VALUE;
    lstrcpyA(s_szStem, path);
    const char* extension = "";
    for (int i = length; i-- > 0 && s_szStem[i] != '\\' && s_szStem[i] != '/';)
        if (s_szStem[i] == '.') {
            extension = path + i;
            s_szStem[i] = 0;
            break;
        }
    for (int n = 1; n < 100; n++) {
        if (lstrlenA(s_szStem) + 3 + lstrlenA(extension) >= (int)capacity ||
            lstrlenA(s_szStem) + 3 + lstrlenA(extension) >= (int)sizeof(s_szCandidate))
            return INVALID_HANDLE_VALUE;
        wsprintfA(s_szCandidate, "%s-%d%s", s_szStem, n, extension);
        file = CreateFileA(s_szCandidate, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            lstrcpyA(path, s_szCandidate);
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteCrashReport(char* path, unsigned capacity, const EXCEPTION_POINTERS* info, const char* windowsVersion,
                      const char* supportUrl)
{
    const CAutoHandle file(CreateReportFile(path, capacity));
    if (!file.IsValid())
        return false;
    CReportFile out(file);
    WriteHeader(out, windowsVersion, supportUrl);
    WriteFault(out, info ? info->ExceptionRecord : nullptr);
    WriteRegisters(out, info ? info->ContextRecord : nullptr);
    WriteStack(out, info ? info->ContextRecord : nullptr);
    WriteFooter(out, supportUrl);
    return out.Finish();
}
