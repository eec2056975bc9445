/* hello-editor: a program that holds its installation's files while it
 * runs, for the end-to-end cases about programs in use: its own file, and
 * editor-lib.dll beside it, loaded by full path. Its one top-level window
 * ("Hello Editor") ends it on WM_CLOSE, as an ordinary program's does.
 * Each start adds a line to %TEMP%\hello-editor-started.txt, so that a
 * test can count them. Built by the end-to-end run. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

__declspec(dllimport) int EditorLibVersion(void);

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void NoteStart(void)
{
    char path[MAX_PATH + 32];
    const DWORD n = GetTempPathA(MAX_PATH, path);
    if (!n || n >= MAX_PATH)
        return;
    strcat(path, "hello-editor-started.txt");
    FILE* file = fopen(path, "ab");
    if (!file)
        return;
    fprintf(file, "started %lu\r\n", GetCurrentProcessId());
    fclose(file);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    (void)show;
    WNDCLASSA windowClass;
    HWND window;
    MSG message;
    /* Imported: the DLL stays loaded, and held, as long as the program runs. */
    if (EditorLibVersion() != 1)
        return 1;
    /* Before the window: a test that waits for the window finds the line. */
    NoteStart();
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "HelloEditorWindow";
    if (!RegisterClassA(&windowClass))
        return 1;
    window = CreateWindowA("HelloEditorWindow", "Hello Editor", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, NULL, NULL,
                           instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
