// Installs a 64 MiB payload of ~500 files with the script engine and times
// it, then times the uninstall run that removes the folder. Run under Wine:
//   cmake/wine-run.sh build/win32/bench/win32/kx_install_bench.exe
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PackageWriter.h"
#include "SinReader.h"
#include "UserMessages.h"

static double Seconds()
{
    static LARGE_INTEGER s_frequency;
    if (!s_frequency.QuadPart)
        QueryPerformanceFrequency(&s_frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)s_frequency.QuadPart;
}

static int AnswerYes(HWND, const char*, const char*, UINT)
{
    return IDYES;
}

int main()
{
    const unsigned files = 500;
    const unsigned total = 64u << 20;
    CPackItemList items;
    std::string script = "<install><uninstall-display-name>KxInstallBench</uninstall-display-name>"
                         "<uninstaller id=\"" +
                         std::to_string(files) + "\"/>";
    unsigned seed = 12345;
    for (unsigned i = 0; i < files; i++) {
        const unsigned size = total / files;
        std::vector<unsigned char> item(size);
        for (unsigned j = 0; j < size; j++) {
            seed = seed * 1103515245 + 12345;
            item[j] = (unsigned char)((j & 3) ? 'a' + (seed >> 24) % 8 : seed >> 16);
        }
        items.emplace_back(item.data(), item.size());
        script += "<file id=\"" + std::to_string(i) + "\" name=\"f" + std::to_string(i) + ".bin\" dest=\"%APP%d" +
                  std::to_string(i % 20) + "\"/>";
    }
    script += "</install>";
    const char log[] = "<uninstall><app-name>Bench</app-name><remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\"
                       "Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxInstallBench\"/>"
                       "<remove-folder path=\"%APP%\"/></uninstall>";
    items.emplace_back(log, sizeof(log) - 1);

    Container::CArray<unsigned char> stub, package;
    stub.SetSize(100 * 1024);
    CSmallString why;
    if (!BuildPackage(stub, CSmallString(script.c_str()), items, 6, package, why)) {
        printf("packing failed: %s\n", why.GetText());
        return 1;
    }
    items.clear();

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dest = std::string(temp) + "kx-install-bench\\";

    double start = Seconds();
    CSinReader reader;
    if (!reader.ExtractFromDataBlock(package)) {
        printf("extraction failed: %s\n", reader.GetLastFailure());
        return 1;
    }
    const double extracted = Seconds();
    SetMessageBoxHook(AnswerYes);
    if (!reader.Install(dest.c_str(), nullptr)) {
        printf("install failed\n");
        return 1;
    }
    const double installed = Seconds();

    CSinReader uninstaller;
    uninstaller.UninstallFromScript((dest + "uninstall.dat").c_str());
    const double uninstalled = Seconds();
    const bool gone = GetFileAttributesA(dest.c_str()) == INVALID_FILE_ATTRIBUTES;

    const double mb = total / 1048576.0;
    printf("payload: %u files, %.0f MiB\n", files, mb);
    printf("extract: %.3f s (%.0f MB/s)\n", extracted - start, mb / (extracted - start));
    printf("install: %.3f s (%.0f MB/s)\n", installed - extracted, mb / (installed - extracted));
    printf("uninstall: %.3f s, folder %s\n", uninstalled - installed, gone ? "removed" : "LEFT BEHIND");
    return gone ? 0 : 1;
}
