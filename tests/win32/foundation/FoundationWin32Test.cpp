// The Windows-only parts of the foundation: system error texts and
// string-table resources.
#include <windows.h>

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "TestStrings.h"
#include "win32/ResString.h"

TEST(LastErrorString, FormatsTheSystemMessage)
{
    const CSmallString text = GetLastErrorString(ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(0, strncmp(text, "(2) ", 4)) << text.GetText();
    EXPECT_GT(text.GetLength(), 4);
    // The system's trailing line break is trimmed away.
    const char last = text.GetText()[text.GetLength() - 1];
    EXPECT_FALSE(last == '\n' || last == '\r' || last == ' ') << text.GetText();

    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, strncmp(GetLastErrorString(), "(5) ", 4));

    // A number the system has no text for still gets its number.
    const CSmallString unknown = GetLastErrorString(0x2FFFFFFF);
    EXPECT_EQ(0, strncmp(unknown, "(805306367)", 11)) << unknown.GetText();
}

TEST(LastErrorString, LastErrorExceptionCarriesTheText)
{
    CBaseException* e = new CLastErrorException(CBaseException::OpenFailed, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(0, strncmp(e->GetError(), "(3) ", 4)) << e->GetError();
    EXPECT_EQ(CBaseException::OpenFailed, e->GetErrorCode());
    e->Delete();
}

TEST(ResString, LoadsOnFirstUseAndAgainWhenMissing)
{
    CResString caption(IDS_TEST_CAPTION);
    EXPECT_STREQ("Setup Error", (const char*)caption);
    EXPECT_EQ(11, caption.GetLength());

    CResString multiline(IDS_TEST_MULTILINE);
    EXPECT_EQ(0, strncmp((const char*)multiline, "The installer failed to find", 28));
    EXPECT_NE(nullptr, strstr((const char*)multiline, "installer.\nThis could"));

    CResString pound(IDS_TEST_POUND);
    EXPECT_STREQ("Pound: \xC2\xA3", (const char*)pound); // in the UTF-8 code page

    CResString missing(IDS_TEST_GAP); // same block, no string
    EXPECT_EQ(nullptr, (const char*)missing);
    EXPECT_EQ(0, missing.GetLength());
    CResString noBlock(IDS_TEST_NO_BLOCK);
    EXPECT_EQ(nullptr, (const char*)noBlock);
    EXPECT_EQ(0, noBlock.GetLength());
}
