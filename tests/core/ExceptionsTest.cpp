#include <gtest/gtest.h>

#include "Exceptions.h"
#include "FileStore.h"
#include "TestFiles.h"

TEST(Exceptions, CodesOutsideTheTableReadUnknown)
{
    for (int code : {-1, 15, 99})
        EXPECT_STREQ("Unknown error", CBaseException::GetCodeText(code)) << "code " << code;
}

TEST(Exceptions, ExtraTextWinsWhenPresent)
{
    CBaseException* e = new CExtraInfoException(CBaseException::NotFound, "");
    EXPECT_STREQ("Not found", e->GetError());
    e->Delete();
    e = new CExtraInfoException(CBaseException::NotFound, nullptr);
    EXPECT_STREQ("Not found", e->GetError());
    e->Delete();
    e = new CExtraInfoException(CBaseException::NotFound, "  no such item  ");
    EXPECT_STREQ("  no such item  ", e->GetError());
    e->Delete();
    e = new CFileStoreException(CBaseException::IOFailure, "");
    EXPECT_STREQ("IO failure", e->GetError());
    e->Delete();
}

TEST(Exceptions, FileStoreThrowsByPointer)
{
    CTempDir dir;
    const std::string path = dir.File("data.bin");
    try {
        CFileStore missing(path.c_str(), CFileStore::ForReading);
        FAIL() << "opened a missing file";
    } catch (CBaseException* e) {
        EXPECT_EQ(CBaseException::OpenFailed, e->GetErrorCode());
        EXPECT_NE(nullptr, strstr(e->GetError(), "data.bin"));
        e->Delete();
    }

    {
        CFileStore out(path.c_str(), CFileStore::ForWriting);
        CStream stream(out, true);
        EXPECT_TRUE(stream.IsStoring());
        stream.WriteU32(0x01020304);
        stream.Write("xyz", 3);
        out.Close();
    }
    EXPECT_EQ((std::vector<unsigned char>{4, 3, 2, 1, 'x', 'y', 'z'}), ReadBytes(path));

    CFileStore in(path.c_str(), CFileStore::ForReading);
    EXPECT_EQ(7u, in.GetSize());
    CStream stream(in, false);
    EXPECT_EQ(0x01020304u, stream.ReadU32());
    char buf[8] = {};
    try {
        stream.Read(buf, 4); // only 3 bytes are left
        FAIL() << "a short read succeeded";
    } catch (CBaseException* e) {
        EXPECT_EQ(CBaseException::IOFailure, e->GetErrorCode());
        EXPECT_STREQ("File read failed to read the required size", e->GetError());
        e->Delete();
    }
}
