#include "SinReader.h"

#include "XMLDocument.h"

CSinReader::~CSinReader()
{
    if (m_pDocument)
        m_pDocument->Release();
}
