// The package read whole from an installer's image in memory: a second,
// independent reading of the format that the tests, the fuzz target and the
// benchmarks hold the streaming reader (the product's) against.
#pragma once

#include <cstdint>

#include "Containers.h"
#include "ReleasePtr.h"
#include "SmallString.h"

#include "XMLDocument.h"

class CWholePackage
{
public:
    CWholePackage() {}
    CWholePackage(const CWholePackage&) = delete;
    CWholePackage& operator=(const CWholePackage&) = delete;

    // Parses the package from the file image in array (consumed: it holds
    // the data block or less on return). False: no valid package, and
    // GetLastFailure says why.
    bool ExtractFromDataBlock(Container::CArray<unsigned char>& array);

    const Container::CArray<Container::CArray<unsigned char>>& GetItems() const { return m_arrItems; }
    const Container::CArray<unsigned char>& GetUninstallerImage() const { return m_arrUninstaller; }
    const CSmallString& GetScriptText() const { return m_strScript; }
    CXMLDocument* GetDocument() const { return m_pDocument.Get(); }
    const char* GetLastFailure() const { return m_pszFailure; }

private:
    bool Fail(const char* why);
    bool InflatePayload(const unsigned char* block, uint32_t size);
    // The payload split from either decoder (WholePackage.cpp).
    template <class TDecoder>
    bool SplitPayload(TDecoder& z);

    Container::CArray<Container::CArray<unsigned char>> m_arrItems;
    Container::CArray<unsigned char> m_arrUninstaller;
    CSmallString m_strScript;
    CReleasePtr<CXMLDocument> m_pDocument;
    const char* m_pszFailure = nullptr;
};

// Cuts everything after the last "KXCheck" in the array.
void RemoveJunkFromTheEndOfTheArray(Container::CArray<unsigned char>& array);

// When the array ends with tag (without its NUL): value = the u32 before
// it, the array loses both, true. Otherwise nothing changes, false.
bool GetValueFromArrayEnd(Container::CArray<unsigned char>& array, const char* tag, uint32_t& value);
