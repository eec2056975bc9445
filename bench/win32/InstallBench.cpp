// Installs a 64 MiB payload of ~500 files with the script engine and times
// it, then times the uninstall run that removes the folder: once with a log
// that removes the whole folder, once with the log kxpack generates (a
// remove-file per file, then the folders once empty). Then the same for
// 5000 small files. Run under Wine:
//   cmake/wine-run.sh build/win32/bench/win32/kx_install_bench.exe
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PackageWriter.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "UninstallLogGen.h"
#include "UserMessages.h"
#include "XMLDocument.h"

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

// Packs files of total bytes with the uninstall log (generated: kxpack's),
// installs and uninstalls them, and prints the times; false on a failure.
static bool Run(unsigned files, unsigned total, bool generated)
{
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
    std::string log = "<uninstall><app-name>Bench</app-name><remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\"
                      "Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxInstallBench\"/>"
                      "<remove-folder path=\"%APP%\"/></uninstall>";
    if (generated) {
        CXMLDocument* doc = CXMLDocument::LoadFromMemory(script.data(), (unsigned)script.size());
        std::vector<std::string> notes;
        log = GenerateUninstallLog(doc->FindNode("install"), nullptr, notes);
        doc->Release();
    }
    items.emplace_back(log.data(), log.size());

    Container::CArray<unsigned char> stub, package;
    stub.SetSize(100 * 1024);
    CSmallString why;
    if (!BuildPackage(stub, CSmallString(script.c_str()), items, 6, package, why)) {
        printf("packing failed: %s\n", why.GetText());
        return false;
    }
    items.clear();

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dest = std::string(temp) + "kx-install-bench\\";

    const std::string installer = std::string(temp) + "kx-install-bench.exe";
    FILE* file = fopen(installer.c_str(), "wb");
    const bool saved = file && fwrite(package.GetData(), 1, package.GetSize(), file) == package.GetSize();
    if (file)
        fclose(file);
    if (!saved) {
        printf("can't write %s\n", installer.c_str());
        return false;
    }
    package.RemoveAll();

    double start = Seconds(), opened = 0, installed = 0;
    {
        CSinReader reader;
        if (!reader.OpenPackage(installer.c_str())) {
            printf("the package can't be read: %s\n", reader.GetLastFailure());
            return false;
        }
        opened = Seconds();
        SetMessageBoxHook(AnswerYes);
        const bool done = reader.Install(dest.c_str(), nullptr);
        installed = Seconds();
        if (!done) {
            printf("install failed\n");
            return false;
        }
    }
    DeleteFileA(installer.c_str());

    CSinReader uninstaller;
    uninstaller.UninstallFromScript((dest + "uninstall.dat").c_str());
    const double uninstalled = Seconds();
    const bool gone = GetFileAttributesA(dest.c_str()) == INVALID_FILE_ATTRIBUTES;

    const double mb = total / 1048576.0;
    printf("payload: %u files, %.0f MiB, %s uninstall log\n", files, mb, generated ? "generated" : "whole-folder");
    printf("  open (checksum, script): %.3f s (%.0f MB/s)\n", opened - start, mb / (opened - start));
    printf("  install: %.3f s (%.0f MB/s)\n", installed - opened, mb / (installed - opened));
    printf("  uninstall: %.3f s, folder %s\n", uninstalled - installed, gone ? "removed" : "LEFT BEHIND");
    return gone;
}

int main()
{
    // Written as a real run writes it (a log never opened would only grow).
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    g_setupLog.OpenFirstFree((std::string(temp) + "kx-install-bench").c_str());
    bool ok = true;
    for (const bool generated : {false, true}) {
        ok = Run(500, 64u << 20, generated) && ok;
        ok = Run(5000, 5000u * 1024, generated) && ok;
    }
    return ok ? 0 : 1;
}
