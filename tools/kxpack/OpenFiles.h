// Holders of a C library file and of a folder being listed, closed when
// they go: a sink that throws (std::bad_alloc) in the middle of reading
// leaves neither open.
#pragma once

#include <dirent.h>

#include <cstdio>

class COpenFile
{
public:
    explicit COpenFile(FILE* file) : m_pFile(file) {}
    ~COpenFile()
    {
        if (m_pFile)
            fclose(m_pFile);
    }
    COpenFile(const COpenFile&) = delete;
    COpenFile& operator=(const COpenFile&) = delete;

    FILE* Get() const { return m_pFile; }
    explicit operator bool() const { return m_pFile != nullptr; }

private:
    FILE* m_pFile;
};

class COpenFolder
{
public:
    explicit COpenFolder(DIR* folder) : m_pFolder(folder) {}
    ~COpenFolder()
    {
        if (m_pFolder)
            closedir(m_pFolder);
    }
    COpenFolder(const COpenFolder&) = delete;
    COpenFolder& operator=(const COpenFolder&) = delete;

    DIR* Get() const { return m_pFolder; }
    explicit operator bool() const { return m_pFolder != nullptr; }

private:
    DIR* m_pFolder;
};
