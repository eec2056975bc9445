#include "EngineHelpers.h"
#include "Exceptions.h"
#include "FileStore.h"

bool WriteArrayToFile(const char* path, const Container::CArray<unsigned char>& data)
{
    try {
        CFileStore file(path, CFileStore::ForWriting);
        file.Write(data.GetData(), data.GetSize());
        file.Close();
        return true;
    } catch (CBaseException* e) {
        e->Delete();
        return false;
    }
}
