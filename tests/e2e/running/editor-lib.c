/* editor-lib: the DLL hello-editor.exe imports from its own folder. */
#include <windows.h>

__declspec(dllexport) int EditorLibVersion(void) { return 1; }
