// Loading ~4 MiB of generated install script (about a 50,000-file application) into a tree: CXMLDocument
// against pugixml (parse_default, which also decodes entities and builds
// a DOM; load_buffer copies the input as we leave ours untouched). Also the
// bare event parser and the writers, for scale.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>

#include "XMLDocument.h"

#ifdef KX_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

const size_t kScriptBytes = 4 << 20;

// Pretty-printed like the scripts the packer writes: many small elements
// with two to four attributes, some text with entities, a little nesting.
const std::string& Script()
{
    static const std::string script = [] {
        std::mt19937 rng(11);
        const char* words[] = {"Demo", "setup", "readme", "plugin", "core", "data", "help", "lang", "x86", "tools"};
        auto word = [&]() { return std::string(words[rng() % 10]); };
        std::string s = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<install>\r\n";
        s += "\t<app-name>Demo &amp; Co &#153;</app-name>\r\n\t<default-path>%ProgramFiles%\\Demo\\</default-path>\r\n";
        for (unsigned n = 0; s.size() < kScriptBytes; n++) {
            switch (n % 6) {
            case 0:
            case 1:
            case 2:
                s += "\t<file src=\"" + std::to_string(n) + "\" dest=\"%APP%" + word() + "\\" + word() +
                     std::to_string(n) + ".dll\" overwrite=\"" + std::to_string(n & 1) + "\" />\r\n";
                break;
            case 3:
                s += "\t<registry root=\"HKLM\" key=\"Software\\Demo\\" + word() + "\" name=\"" + word() +
                     "\" value=\"&quot;%APP%" + word() + ".exe&quot; &amp; more\" />\r\n";
                break;
            case 4:
                s += "\t<shortcut name=\"" + word() + " &apos;" + word() + "&apos;\" target=\"%APP%" + word() +
                     ".exe\" folder=\"programs\">\r\n\t\t<arguments>-x &lt;" + word() +
                     "&gt;</arguments>\r\n\t</shortcut>\r\n";
                break;
            default:
                s += "\t<terms>Line " + std::to_string(n) + " of the terms: caf&eacute; &amp; " + word() + " " +
                     word() + "&#13;&#10;and more text.</terms>\r\n";
                break;
            }
        }
        return s + "</install>\r\n";
    }();
    return script;
}

// glibc merges small freed blocks lazily, at the next large request: make
// that happen now, so that the cost of a free lands with the free.
void SettleFreedMemory()
{
    void* p = malloc(1 << 16);
    benchmark::DoNotOptimize(p);
    free(p);
}

// Parsing into a tree; freeing it is timed separately below, since pugixml
// frees a document in a few large blocks and this tree node by node.
void BM_XmlLoadKx(benchmark::State& state)
{
    const std::string& s = Script();
    for (auto _ : state) {
        CXMLDocument* doc = CXMLDocument::LoadFromMemory(s.data(), (unsigned)s.size());
        benchmark::DoNotOptimize(doc);
        state.PauseTiming();
        doc->Release();
        SettleFreedMemory();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlLoadKx)->Unit(benchmark::kMillisecond);

void BM_XmlLoadAndFreeKx(benchmark::State& state)
{
    const std::string& s = Script();
    for (auto _ : state) {
        CXMLDocument* doc = CXMLDocument::LoadFromMemory(s.data(), (unsigned)s.size());
        benchmark::DoNotOptimize(doc);
        doc->Release();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlLoadAndFreeKx)->Unit(benchmark::kMillisecond);

void BM_XmlEventsKx(benchmark::State& state)
{
    const std::string& s = Script();
    CXMLParser parser; // the base splits tags and ignores the results
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.Parse(s.data(), (unsigned)s.size()));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlEventsKx)->Unit(benchmark::kMillisecond);

void BM_XmlSaveCompactKx(benchmark::State& state)
{
    const std::string& s = Script();
    CXMLDocument* doc = CXMLDocument::LoadFromMemory(s.data(), (unsigned)s.size());
    for (auto _ : state) {
        CCharArray out;
        doc->SaveToCharArray(out);
        benchmark::DoNotOptimize(out.GetData());
    }
    doc->Release();
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlSaveCompactKx)->Unit(benchmark::kMillisecond);

#ifdef KX_HAVE_PUGIXML
void BM_XmlLoadPugi(benchmark::State& state)
{
    const std::string& s = Script();
    for (auto _ : state) {
        auto* doc = new pugi::xml_document;
        const pugi::xml_parse_result result = doc->load_buffer(s.data(), s.size(), pugi::parse_default);
        benchmark::DoNotOptimize(result.status);
        state.PauseTiming();
        delete doc;
        SettleFreedMemory();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlLoadPugi)->Unit(benchmark::kMillisecond);

void BM_XmlLoadAndFreePugi(benchmark::State& state)
{
    const std::string& s = Script();
    for (auto _ : state) {
        pugi::xml_document doc;
        const pugi::xml_parse_result result = doc.load_buffer(s.data(), s.size(), pugi::parse_default);
        benchmark::DoNotOptimize(result.status);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_XmlLoadAndFreePugi)->Unit(benchmark::kMillisecond);
#endif

} // namespace
