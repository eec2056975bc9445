#include "AppTestKit.h"

#include <gtest/gtest.h>

#include "AppGlobals.h"
#include "PackageWriter.h"
#include "SinReader.h"

void LoadScriptIntoGlobalReader(const std::string& script)
{
    CPackItemList items;
    Container::CArray<unsigned char> stub, file;
    stub.Append(reinterpret_cast<const unsigned char*>("MZ stub"), 7);
    CSmallString why;
    ASSERT_TRUE(BuildPackage(stub, CSmallString(script.data(), (int)script.size()), items, 6, file, why))
        << why.GetText();
    ASSERT_TRUE(g_reader.ExtractFromDataBlock(file)) << g_reader.GetLastFailure();
}
