#include "KxPackRun.h"

#include <cstdio>

#include "KxPack.h"

static std::string Slurp(FILE* f)
{
    std::string s;
    rewind(f);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

KxPackResult RunKxPack(std::vector<std::string> args)
{
    args.insert(args.begin(), "kxpack");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(&a[0]);
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    KxPackResult r;
    r.code = KxPackMain((int)argv.size(), argv.data(), out, err);
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}
