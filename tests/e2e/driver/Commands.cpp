#include "Commands.h"

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "FileDetails.h"
#include "FocusTarget.h"
#include "Keys.h"
#include "MessageBoxes.h"
#include "SystemQueries.h"
#include "Text.h"
#include "TopWindows.h"
#include "Wizard.h"

namespace {

const DWORD g_dwDefaultTimeoutMs = 10000;

typedef int (*CommandFunction)(const std::vector<std::string>& args);

struct SCommand
{
    const char* pszName;
    size_t uMinArgs; // not counting the name
    size_t uMaxArgs;
    CommandFunction pfnRun;
    const char* pszUsage;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kxdriver: %s\n", message.c_str());
    return 1;
}

void Print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (!text.empty() && text.back() != '\n')
        std::fputc('\n', stdout);
    std::fflush(stdout);
}

DWORD TimeoutArg(const std::vector<std::string>& args, size_t index)
{
    long value = 0;
    if (index < args.size() && Text::ParseNumber(args[index], value) && value >= 0)
        return (DWORD)value;
    return g_dwDefaultTimeoutMs;
}

std::string Arg(const std::vector<std::string>& args, size_t index)
{
    return index < args.size() ? args[index] : std::string();
}

// The wizard, found at once (commands that act on it need it to be there).
bool GetWizard(HWND& sheet)
{
    sheet = CWizard::WaitFor(std::string(), 2000);
    if (!sheet)
        Fail("no wizard window");
    return sheet != nullptr;
}

// A control of the wizard's current page by its driver name, or null after
// saying what was missing.
HWND GetWizardControl(const std::string& name)
{
    HWND sheet = nullptr;
    if (!GetWizard(sheet))
        return nullptr;
    HWND control = CWizard(sheet).FindControl(name);
    if (!control)
        Fail("no control " + name);
    return control;
}

int WaitWindow(const std::vector<std::string>& args)
{
    const std::string pattern = args[1];
    HWND window = TopWindows::WaitFor([&](HWND w) { return Text::Matches(TopWindows::GetTitle(w), pattern); },
                                      TimeoutArg(args, 2));
    if (!window)
        return Fail("no window titled " + pattern);
    Print(TopWindows::GetTitle(window));
    return 0;
}

// A window of the program's own (not the wizard): its title and each
// control, a progress bar with its position in its range.
int DescribeWindow(const std::vector<std::string>& args)
{
    const std::string pattern = args[1];
    HWND window = TopWindows::WaitFor([&](HWND w) { return Text::Matches(TopWindows::GetTitle(w), pattern); },
                                      TimeoutArg(args, 2));
    if (!window)
        return Fail("no window titled " + pattern);
    std::string out = "title \"" + TopWindows::GetTitle(window) + "\"\n";
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string kind = TopWindows::GetClass(child);
        char line[96];
        std::snprintf(line, sizeof(line), "control %d %s", GetDlgCtrlID(child), kind.c_str());
        out += line;
        DWORD_PTR position = 0, high = 0;
        if (kind == PROGRESS_CLASSA &&
            SendMessageTimeoutA(child, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position) &&
            SendMessageTimeoutA(child, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 5000, &high)) {
            std::snprintf(line, sizeof(line), " %u of %u\n", (unsigned)position, (unsigned)high);
            out += line;
        } else {
            out += " \"" + Text::OneLine(TopWindows::GetControlText(child)) + "\"\n";
        }
    }
    Print(out);
    return 0;
}

int WaitGone(const std::vector<std::string>& args)
{
    const std::string pattern = args[1];
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    for (;;) {
        if (TopWindows::Find([&](HWND w) { return Text::Matches(TopWindows::GetTitle(w), pattern); }).empty())
            return 0;
        if (GetTickCount() - start >= timeout)
            return Fail("a window titled " + pattern + " is still open");
        Sleep(50);
    }
}

// Asks the windows so titled to close, as the user's close box would, and
// waits until none is left.
int CloseWindow(const std::vector<std::string>& args)
{
    const std::string pattern = args[1];
    const auto titled = [&](HWND w) { return Text::Matches(TopWindows::GetTitle(w), pattern); };
    for (HWND window : TopWindows::Find(titled))
        PostMessageA(window, WM_CLOSE, 0, 0);
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    while (!TopWindows::Find(titled).empty()) {
        if (GetTickCount() - start >= timeout)
            return Fail("a window titled " + pattern + " is still open");
        Sleep(50);
    }
    return 0;
}

int Page(const std::vector<std::string>&)
{
    HWND sheet = nullptr;
    if (!GetWizard(sheet))
        return 1;
    Print(CWizard(sheet).Describe());
    return 0;
}

int ExpectPage(const std::vector<std::string>& args)
{
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    std::string last;
    for (;;) {
        if (HWND sheet = CWizard::Find()) {
            CWizard wizard(sheet);
            wizard.Sync();
            last = wizard.GetTitle();
            if (Text::Matches(last, args[1])) {
                Print(last);
                return 0;
            }
        }
        if (GetTickCount() - start >= timeout)
            return Fail("the wizard shows \"" + last + "\", not " + args[1]);
        Sleep(50);
    }
}

int Click(const std::vector<std::string>& args)
{
    HWND sheet = nullptr;
    if (!GetWizard(sheet))
        return 1;
    std::string error;
    return CWizard(sheet).Click(args[1], error) ? 0 : Fail(error);
}

int SetText(const std::vector<std::string>& args)
{
    HWND control = GetWizardControl(args[1]);
    if (!control)
        return 1;
    DWORD_PTR result = 0;
    const std::string text = Arg(args, 2);
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000, &result);
    const std::string now = TopWindows::GetControlText(control);
    return now == text ? 0 : Fail("control " + args[1] + " holds \"" + now + "\" after setting it");
}

int GetText(const std::vector<std::string>& args)
{
    HWND control = GetWizardControl(args[1]);
    if (!control)
        return 1;
    Print(TopWindows::GetControlText(control) + "\n");
    return 0;
}

// Where a control lies on the screen, and whether it and the wizard are
// laid out right to left (mirrored).
int Place(const std::vector<std::string>& args)
{
    HWND control = GetWizardControl(args[1]);
    if (!control)
        return 1;
    RECT rect;
    GetWindowRect(control, &rect);
    HWND wizard = GetAncestor(control, GA_ROOT);
    char line[160];
    std::snprintf(line, sizeof(line), "%ld %ld %ld %ld %s wizard %s\n", rect.left, rect.top, rect.right, rect.bottom,
                  GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_LAYOUTRTL ? "rtl" : "ltr",
                  GetWindowLongA(wizard, GWL_EXSTYLE) & WS_EX_LAYOUTRTL ? "rtl" : "ltr");
    Print(line);
    return 0;
}

int State(const std::vector<std::string>& args)
{
    HWND control = GetWizardControl(args[1]);
    if (!control)
        return 1;
    std::string state = std::string(IsWindowVisible(control) ? "visible" : "hidden") +
                        (IsWindowEnabled(control) ? " enabled" : " disabled");
    // Check boxes and radio buttons say whether they are checked, too.
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (lstrcmpiA(cls, "Button") == 0 && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON))
        state += SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked" : " unchecked";
    // A progress bar: moving to and fro, or its position.
    if (lstrcmpiA(cls, "msctls_progress32") == 0)
        state += GetWindowLongA(control, GWL_STYLE) & PBS_MARQUEE
                     ? std::string(" marquee")
                     : " " + std::to_string(SendMessageA(control, PBM_GETPOS, 0, 0));
    Print(state);
    return 0;
}

int ShowMessageBox(const std::vector<std::string>& args)
{
    HWND box = CMessageBoxView::WaitFor(Arg(args, 1), TimeoutArg(args, 2));
    if (!box)
        return Fail("no message box " + Arg(args, 1));
    Print(CMessageBoxView(box).Describe());
    return 0;
}

int AnswerMessageBox(const std::vector<std::string>& args)
{
    const int id = CMessageBoxView::ButtonId(args[1]);
    if (!id)
        return Fail("unknown button " + args[1]);
    HWND box = CMessageBoxView::WaitFor(Arg(args, 2), TimeoutArg(args, 3));
    if (!box)
        return Fail("no message box " + Arg(args, 2));
    CMessageBoxView view(box);
    Print(view.Describe());
    if (!view.HasButton(id))
        return Fail("the message box has no " + args[1] + " button");
    return view.Answer(id, 5000) ? 0 : Fail("the message box is still open after " + args[1]);
}

int ExpectNoMessageBox(const std::vector<std::string>&)
{
    std::vector<HWND> boxes = TopWindows::Find(CMessageBoxView::IsMessageBox);
    if (boxes.empty())
        return 0;
    Print(CMessageBoxView(boxes.front()).Describe());
    return Fail("a message box is open");
}

// --window=TITLE picks the thread by a window's title instead of the wizard.
std::string WindowOption(const std::vector<std::string>& args, size_t& next)
{
    static const std::string s_option = "--window=";
    if (next < args.size() && args[next].compare(0, s_option.size(), s_option) == 0)
        return args[next++].substr(s_option.size());
    return std::string();
}

int Focus(const std::vector<std::string>& args)
{
    size_t next = 1;
    const std::string title = WindowOption(args, next);
    if (args.size() > next + 1)
        return 2;
    SFocus focus;
    std::string error;
    if (!FocusTarget::WaitFor(title, TimeoutArg(args, next), focus, error))
        return Fail(error);
    Print(FocusTarget::Describe(focus));
    return 0;
}

// Each key goes to whatever has the focus once the one before was taken.
int Key(const std::vector<std::string>& args)
{
    size_t next = 1;
    const std::string title = WindowOption(args, next);
    if (next == args.size())
        return 2;
    std::vector<SKeyStroke> strokes(args.size() - next);
    for (size_t i = next; i < args.size(); i++)
        if (!Keys::Parse(args[i], strokes[i - next]))
            return Fail("unknown key " + args[i]);
    SFocus focus;
    std::string error;
    if (!FocusTarget::WaitFor(title, g_dwDefaultTimeoutMs, focus, error))
        return Fail(error);
    for (const SKeyStroke& stroke : strokes) {
        if (!focus.hFocus && !FocusTarget::WaitFor(title, g_dwDefaultTimeoutMs, focus, error))
            return Fail(error);
        Keys::Type(focus, stroke);
    }
    Print(FocusTarget::Describe(focus));
    return 0;
}

int WaitProcess(const std::vector<std::string>& args)
{
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    while (SystemQueries::CountProcesses(args[1]) == 0) {
        if (GetTickCount() - start >= timeout)
            return Fail("no process " + args[1]);
        Sleep(20);
    }
    return 0;
}

int WaitProcessGone(const std::vector<std::string>& args)
{
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    while (SystemQueries::CountProcesses(args[1]) != 0) {
        if (GetTickCount() - start >= timeout)
            return Fail("process " + args[1] + " still runs");
        Sleep(50);
    }
    return 0;
}

// The registry view a reg- command reads: its name ends in 64 for the
// 64-bit one.
REGSAM ViewOf(const std::vector<std::string>& args)
{
    const std::string& name = args[0];
    return name.size() > 2 && name.compare(name.size() - 2, 2, "64") == 0 ? KEY_WOW64_64KEY : 0;
}

int RegQuery(const std::vector<std::string>& args)
{
    std::string out, error;
    const REGSAM view = ViewOf(args);
    const bool ok = args.size() > 2 ? SystemQueries::ReadRegistryValue(args[1], args[2], view, out, error)
                                    : SystemQueries::ListRegistryValues(args[1], view, out, error);
    if (!ok)
        return Fail(error);
    Print(out);
    return 0;
}

int RegDump(const std::vector<std::string>& args)
{
    // Several keys in one run save a Wine start-up each.
    std::string out, error;
    for (size_t i = 1; i < args.size(); i++) {
        if (!SystemQueries::DumpRegistry(args[i], ViewOf(args), out, error))
            return Fail(error);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return 0;
}

int ResolveLink(const std::vector<std::string>& args)
{
    std::string out, error;
    if (!SystemQueries::DescribeShellLink(args[1], out, error))
        return Fail(error);
    Print(out);
    return 0;
}

int ShellFolder(const std::vector<std::string>& args)
{
    std::string out;
    if (!SystemQueries::GetShellFolder(args[1], out))
        return Fail("no shell folder " + args[1]);
    Print(out);
    return 0;
}

int Expand(const std::vector<std::string>& args)
{
    Print(SystemQueries::ExpandEnvironment(args[1]));
    return 0;
}

int ShortPath(const std::vector<std::string>& args)
{
    const std::string shortPath = SystemQueries::ShortPath(args[1]);
    if (shortPath.empty())
        return Fail("no short name for " + args[1]);
    Print(shortPath);
    return 0;
}

int FileExists(const std::vector<std::string>& args)
{
    return SystemQueries::FileExists(args[1]) ? 0 : 1;
}

int WaitFileGone(const std::vector<std::string>& args)
{
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    while (SystemQueries::FileExists(args[1])) {
        if (GetTickCount() - start >= timeout)
            return Fail(args[1] + " is still there");
        Sleep(50);
    }
    return 0;
}

int DiskFree(const std::vector<std::string>& args)
{
    unsigned long long freeBytes = 0, totalBytes = 0;
    std::string error;
    if (!SystemQueries::GetDiskFree(args[1], freeBytes, totalBytes, error))
        return Fail(error);
    std::printf("free\t%llu\ntotal\t%llu\n", freeBytes, totalBytes);
    std::fflush(stdout);
    return 0;
}

bool ParseSize(const std::string& text, unsigned long long& size)
{
    char* end = nullptr;
    size = std::strtoull(text.c_str(), &end, 0);
    return !text.empty() && text[0] != '-' && *end == '\0';
}

std::string DescribeError(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof(text),
                   nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return std::to_string(code) + "\t" + Text::OneLine(message);
}

int FillFile(const std::vector<std::string>& args)
{
    unsigned long long size = 0, chunk = 64 * 1024;
    if (!ParseSize(args[2], size) ||
        (args.size() > 3 && (!ParseSize(args[3], chunk) || chunk == 0 || chunk > MAXDWORD)))
        return Fail("not a size: " + args[2] + " " + Arg(args, 3));
    const SystemQueries::SWriteResult result = SystemQueries::WriteZeros(args[1], size, (DWORD)chunk);
    std::printf("written\t%llu\n", result.uWritten);
    if (result.uShortWrites)
        std::printf("short-writes\t%u\n", result.uShortWrites);
    if (result.dwError != ERROR_SUCCESS)
        std::printf("error\t%s\n", DescribeError(result.dwError).c_str());
    std::fflush(stdout);
    return result.uWritten == size && result.dwError == ERROR_SUCCESS ? 0 : 1;
}

// Holds a file open without sharing, as a running program holds its own,
// until the time is up or the file "<path>.release" appears.
int HoldFile(const std::vector<std::string>& args)
{
    HANDLE file = CreateFileA(args[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail("cannot open " + args[1] + ": " + DescribeError(GetLastError()));
    std::printf("held\n");
    std::fflush(stdout);
    const DWORD timeout = TimeoutArg(args, 2), start = GetTickCount();
    const std::string release = args[1] + ".release";
    while (GetTickCount() - start < timeout && GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
    CloseHandle(file);
    DeleteFileA(release.c_str());
    return 0;
}

int DefineDrive(const std::vector<std::string>& args)
{
    const std::string& letter = args[1];
    if (letter.empty() || !std::isalpha((unsigned char)letter[0]) || (letter.size() > 1 && letter.substr(1) != ":"))
        return Fail("not a drive letter: " + letter);
    std::string error;
    return SystemQueries::DefineWineDrive(letter[0], Arg(args, 2), error) ? 0 : Fail(error);
}

int VersionInfo(const std::vector<std::string>& args)
{
    std::string out, error;
    if (!FileDetails::DescribeVersionInfo(args[1], out, error))
        return Fail(error);
    Print(out);
    return 0;
}

int IconMatches(const std::vector<std::string>& args)
{
    long group = 0;
    if (!Text::ParseNumber(args[2], group) || group <= 0 || group > 0xFFFF)
        return Fail("not a resource id: " + args[2]);
    std::string out, error;
    const bool same = FileDetails::CompareIcon(args[1], (unsigned)group, args[3], out, error);
    Print(out);
    return same ? 0 : Fail(error.empty() ? "the icon differs from " + args[3] : error);
}

int Elevated(const std::vector<std::string>&)
{
    Print(SystemQueries::IsElevated() ? "yes" : "no");
    return 0;
}

// Exit code 0 only when every attempt was refused.
int TryChange(const std::vector<std::string>& args)
{
    bool refused = true;
    for (const SystemQueries::SChangeAttempt& attempt : SystemQueries::TryToChange(args[1])) {
        std::printf("%s\t%s\n", attempt.pszWhat, attempt.bDone ? "done" : DescribeError(attempt.dwError).c_str());
        refused = refused && !attempt.bDone;
    }
    std::fflush(stdout);
    return refused ? 0 : 1;
}

// Wine hands Linux only the low byte of a program's exit code (3010 arrives
// as 194): this runs the program and prints the whole code.
int RunLine(std::string line, const std::string& what)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return Fail("cannot start " + what + ": " + DescribeError(GetLastError()));
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("exit code %lu\n", (unsigned long)code);
    return 0;
}

int ExitCode(const std::vector<std::string>& args)
{
    std::string line;
    for (size_t i = 1; i < args.size(); i++) {
        const bool quote = args[i].empty() || args[i].find_first_of(" \t") != std::string::npos;
        line += (i > 1 ? " " : "") + (quote ? "\"" + args[i] + "\"" : args[i]);
    }
    return RunLine(line, args[1]);
}

// The line exactly as given, as a package manager composes one from a
// manifest's switches (quotes inside a switch, /D= last with its blanks).
int ExitCodeLine(const std::vector<std::string>& args) { return RunLine(args[1], args[1]); }

int Run(const std::vector<std::string>& args)
{
    return RunScript(args[1]);
}

const SCommand g_arrCommands[] = {
    {"wait-window", 1, 2, WaitWindow, "wait-window TITLE [TIMEOUT-MS]     a visible top-level window"},
    {"window", 1, 2, DescribeWindow, "window TITLE [TIMEOUT-MS]          its title and controls (a bar: POS of MAX)"},
    {"wait-gone", 1, 2, WaitGone, "wait-gone TITLE [TIMEOUT-MS]       no visible window so titled"},
    {"close-window", 1, 2, CloseWindow, "close-window TITLE [TIMEOUT-MS]    WM_CLOSE to each window so titled"},
    {"page", 0, 0, Page, "page                               the wizard's buttons and page controls"},
    {"expect-page", 1, 2, ExpectPage, "expect-page TITLE [TIMEOUT-MS]     the wizard, idle, shows that page"},
    {"click", 1, 1, Click, "click next|back|finish|cancel|ID"},
    {"set-text", 1, 2, SetText, "set-text CONTROL [TEXT]"},
    {"get-text", 1, 1, GetText, "get-text CONTROL"},
    {"place", 1, 1, Place, "place CONTROL                      LEFT TOP RIGHT BOTTOM on the screen, rtl|ltr, wizard rtl|ltr"},
    {"state", 1, 1, State, "state CONTROL                      visible|hidden enabled|disabled [checked|unchecked|marquee|POSITION]"},
    {"messagebox", 0, 2, ShowMessageBox, "messagebox [TEXT] [TIMEOUT-MS]     describe without answering"},
    {"answer-messagebox", 1, 3, AnswerMessageBox,
     "answer-messagebox ok|cancel|retry|yes|no|...|ID [TEXT] [TIMEOUT-MS]"},
    {"expect-no-messagebox", 0, 0, ExpectNoMessageBox, "expect-no-messagebox"},
    {"focus", 0, 2, Focus,
     "focus [--window=TITLE] [TIMEOUT-MS]\n"
     "                                     the focused control of the wizard's thread (else the\n"
     "                                     foreground window's or a dialog's; TITLE: that window's):\n"
     "                                     focus ID CLASS \"TEXT\", then in page|sheet|dialog|window\n"
     "                                     \"ITS TOP-LEVEL WINDOW'S TITLE\""},
    {"key", 1, 16, Key,
     "key [--window=TITLE] KEY...        posted to that focus as typed, each once the last was\n"
     "                                     taken: tab, enter, esc, space, end, down, f4, a, with\n"
     "                                     shift+ ctrl+ alt+ (alt+r: a mnemonic); then prints focus\n"
     "                                     (\"focus none\" once the thread has none)"},
    {"wait-process", 1, 2, WaitProcess, "wait-process NAME.exe [TIMEOUT-MS]"},
    {"wait-process-gone", 1, 2, WaitProcessGone, "wait-process-gone NAME.exe [TIMEOUT-MS]"},
    {"reg-query", 1, 2, RegQuery, "reg-query KEY [VALUE|(default)]    KEY starts HKLM, HKCU or HKCR"},
    {"reg-dump", 1, 16, RegDump, "reg-dump KEY...                    the keys and all below them, sorted, a line each"},
    {"reg-query64", 1, 2, RegQuery, "reg-query64 KEY [VALUE|(default)]  reg-query in the 64-bit view"},
    {"reg-dump64", 1, 16, RegDump, "reg-dump64 KEY...                  reg-dump in the 64-bit view"},
    {"resolve-link", 1, 1, ResolveLink, "resolve-link PATH.lnk"},
    {"shell-folder", 1, 1, ShellFolder, "shell-folder NAME                  e.g. Desktop, Programs"},
    {"expand", 1, 1, Expand, "expand TEXT                        environment references expanded"},
    {"short-path", 1, 1, ShortPath, "short-path PATH                    its 8.3 spelling"},
    {"file-exists", 1, 1, FileExists, "file-exists PATH"},
    {"wait-file-gone", 1, 2, WaitFileGone, "wait-file-gone PATH [TIMEOUT-MS]"},
    {"disk-free", 1, 1, DiskFree, "disk-free PATH                     free and total bytes of its drive"},
    {"define-drive", 1, 2, DefineDrive,
     "define-drive LETTER [UNIX-FOLDER]  Wine maps the drive there; none removes it"},
    {"fill-file", 2, 3, FillFile, "fill-file PATH BYTES [CHUNK]       writes zeros; how far it got, the error"},
    {"hold-file", 1, 2, HoldFile, "hold-file PATH [TIMEOUT-MS]        open without sharing until PATH.release"},
    {"version-info", 1, 1, VersionInfo, "version-info PROGRAM               its version numbers and texts"},
    {"icon-matches", 3, 3, IconMatches,
     "icon-matches PROGRAM GROUP-ID ICO   the icon group's images are the .ico's"},
    {"elevated", 0, 0, Elevated, "elevated                           yes or no: a full administrator token"},
    {"try-change", 1, 1, TryChange,
     "try-change PATH                    open for writing, rename, delete; 0 if all refused"},
    {"exit-code", 1, 16, ExitCode, "exit-code PROGRAM [ARGS...]        runs it, prints its whole exit code"},
    {"exit-code-line", 1, 1, ExitCodeLine, "exit-code-line COMMAND-LINE        exit-code of a whole command line"},
    {"run", 1, 1, Run, "run SCRIPT                         one command a line"},
};

} // namespace

void PrintUsage()
{
    std::fprintf(stderr, "usage: kxdriver COMMAND ARGS...\nTITLE and TEXT match as substrings, or as a regular "
                         "expression when written /like this/.\n");
    for (const SCommand& command : g_arrCommands)
        std::fprintf(stderr, "  %s\n", command.pszUsage);
}

int RunCommand(const std::vector<std::string>& args)
{
    if (args.empty())
        return 2;
    for (const SCommand& command : g_arrCommands) {
        if (args[0] != command.pszName)
            continue;
        if (args.size() - 1 < command.uMinArgs || args.size() - 1 > command.uMaxArgs) {
            std::fprintf(stderr, "usage: kxdriver %s\n", command.pszUsage);
            return 2;
        }
        return command.pfnRun(args);
    }
    std::fprintf(stderr, "kxdriver: unknown command %s\n", args[0].c_str());
    return 2;
}

int RunScript(const std::string& path)
{
    std::ifstream in(path.c_str());
    if (!in)
        return Fail("cannot read " + path);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> args = Text::SplitArguments(line);
        if (args.empty() || args[0][0] == '#')
            continue;
        Print("> " + line);
        const int status = RunCommand(args);
        if (status != 0)
            return status;
    }
    return 0;
}
