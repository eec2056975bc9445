#include "TestFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#ifdef _WIN32
#include <direct.h>
#endif

// Links are removed, never followed: a test may leave one that loops.
static void RemoveTree(const std::string& path)
{
    struct stat st;
#ifdef _WIN32
    if (stat(path.c_str(), &st) != 0)
#else
    if (lstat(path.c_str(), &st) != 0)
#endif
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* e = readdir(dir)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    RemoveTree(path + "/" + name);
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    } else {
        chmod(path.c_str(), 0666);
        remove(path.c_str());
    }
}

CTempDir::CTempDir()
{
    static int s_counter = 0;
    const char* base = getenv("TMPDIR");
#ifdef _WIN32
    if (!base)
        base = getenv("TEMP");
#endif
    if (!base)
        base = "/tmp";
    for (int attempt = 0; attempt < 1000; attempt++) {
        m_path = std::string(base) + "/kxtest-" + std::to_string(getpid()) + "-" + std::to_string(s_counter++);
#ifdef _WIN32
        if (_mkdir(m_path.c_str()) == 0)
#else
        if (mkdir(m_path.c_str(), 0700) == 0)
#endif
            return;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

CTempDir::~CTempDir()
{
    RemoveTree(m_path);
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot read " + path);
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void MakeFolder(const std::string& path)
{
#ifdef _WIN32
    const int failed = _mkdir(path.c_str());
#else
    const int failed = mkdir(path.c_str(), 0700);
#endif
    if (failed)
        throw std::runtime_error("cannot create " + path);
}
