// Runs saved fuzz inputs through a fuzz target without libFuzzer, so the
// corpus replays in ordinary test runs (natively and under Wine). Each
// argument is a file or a folder of files.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static bool ReplayFile(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.insert(data.end(), buf, buf + n);
    fclose(f);
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return true;
}

int main(int argc, char** argv)
{
    int files = 0;
    for (int i = 1; i < argc; i++) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return 1;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!ReplayFile(argv[i]))
                return 1;
            files++;
            continue;
        }
        DIR* dir = opendir(argv[i]);
        if (!dir)
            return 1;
        while (dirent* entry = readdir(dir)) {
            const std::string path = std::string(argv[i]) + "/" + entry->d_name;
            if (entry->d_name[0] == '.' || stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
            if (!ReplayFile(path))
                return 1;
            files++;
        }
        closedir(dir);
    }
    printf("replayed %d inputs\n", files);
    // An empty corpus means the test replays nothing: treat it as a failure.
    return files > 0 ? 0 : 1;
}
