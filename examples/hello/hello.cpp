// The example application that examples/hello installs. Without arguments
// it greets the user; with a .hello file it shows the file's text; with
// --marker PATH it writes PATH and ends, so that an unattended run can see
// that the installer started it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char g_szTitle[] = "Hello";

bool WriteMarker(const char* path)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(folder), folder);
    std::fprintf(file, "hello was started in %s\r\n", folder);
    return std::fclose(file) == 0;
}

void ShowFile(const char* path)
{
    char text[1024] = "";
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::snprintf(text, sizeof(text), "Hello! (but %s can't be read)", path);
    } else {
        size_t read = std::fread(text, 1, sizeof(text) - 1, file);
        while (read > 0 && (text[read - 1] == '\n' || text[read - 1] == '\r'))
            read--;
        text[read] = '\0';
        std::fclose(file);
    }
    MessageBoxA(nullptr, text, g_szTitle, MB_OK | MB_ICONINFORMATION);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc == 3 && std::strcmp(__argv[1], "--marker") == 0)
        return WriteMarker(__argv[2]) ? 0 : 1;
    if (__argc == 2) {
        ShowFile(__argv[1]);
        return 0;
    }
    MessageBoxA(nullptr, "Hello, world!\n\nInstalled by kxsetup.", g_szTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
}
