#include "EngineTestKit.h"

#include <gtest/gtest.h>

#include "PackageWriter.h"
#include "WineTestEnv.h"
#include "UserMessages.h"

std::string PackBytes(const std::string& script, const std::vector<std::string>& items)
{
    CPackItemList arr;
    for (const std::string& item : items)
        arr.emplace_back(item.data(), item.size());
    Container::CArray<unsigned char> stub, file;
    stub.Append(reinterpret_cast<const unsigned char*>("MZ stub"), 7);
    CSmallString why;
    EXPECT_TRUE(BuildPackage(stub, CSmallString(script.data(), (int)script.size()), arr, 6, file, why));
    return std::string(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
}

CSinReader* MakeReader(const std::string& script, const std::vector<std::string>& items)
{
    const std::string bytes = PackBytes(script, items);
    // A file that goes when the reader closes it.
    FILE* file = tmpfile();
    EXPECT_TRUE(file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    CSinReader* reader = new CSinReader;
    EXPECT_TRUE(file && reader->OpenPackage(file)) << reader->GetLastFailure();
    return reader;
}

CSinReader* MakeStreamedReader(const std::string& folder, const std::string& script,
                               const std::vector<std::string>& items)
{
    const std::string path = folder + "package.exe";
    WriteWholeFile(path, PackBytes(script, items));
    CSinReader* reader = new CSinReader;
    EXPECT_TRUE(reader->OpenPackage(path.c_str())) << reader->GetLastFailure();
    return reader;
}

static std::vector<SShownMessage> g_shown;
static int g_answer = IDOK;

static int RecordMessageBox(HWND, const char* text, const char* caption, UINT type)
{
    g_shown.push_back({text ? text : "", caption ? caption : "", type});
    return g_answer;
}

CMessageBoxRecorder::CMessageBoxRecorder(int answer)
{
    g_shown.clear();
    g_answer = answer;
    SetMessageBoxHook(RecordMessageBox);
}

CMessageBoxRecorder::~CMessageBoxRecorder()
{
    SetMessageBoxHook(nullptr);
}

const std::vector<SShownMessage>& CMessageBoxRecorder::Shown() const
{
    return g_shown;
}

void CMessageBoxRecorder::SetAnswer(int answer)
{
    g_answer = answer;
}
