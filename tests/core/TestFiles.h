// Temporary files and folders for tests, removed when the test ends.
#pragma once

#include <string>
#include <vector>

class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<unsigned char> ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
void MakeFolder(const std::string& path);
