/* Loads each DLL named on its command line by name, with the system's
   default search: what any program does that does not restrict it. The
   planting cases' proof that a planted DLL is found and runs. Exit code:
   how many could not be loaded. */
#include <windows.h>

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; i++)
        failed += LoadLibraryA(argv[i]) == NULL;
    return failed;
}
