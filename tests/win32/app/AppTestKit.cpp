#include "AppTestKit.h"

#include <gtest/gtest.h>

#include "AppGlobals.h"
#include "PackageWriter.h"
#include "SinReader.h"

void LoadScriptIntoGlobalReader(const std::string& script)
{
    CPackItemList items;
    Container::CArray<unsigned char> stub, bytes;
    stub.Append(reinterpret_cast<const unsigned char*>("MZ stub"), 7);
    CSmallString why;
    ASSERT_TRUE(BuildPackage(stub, CSmallString(script.data(), (int)script.size()), items, 6, bytes, why))
        << why.GetText();
    // A file that goes when the reader closes it.
    FILE* file = tmpfile();
    ASSERT_TRUE(file && fwrite(bytes.GetData(), 1, bytes.GetSize(), file) == bytes.GetSize());
    ASSERT_TRUE(g_reader.OpenPackage(file)) << g_reader.GetLastFailure();
}
