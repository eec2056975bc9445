#include <cstring>

#include "XMLDocument.h"

namespace {

bool IsPlainName(const char* name)
{
    const char* p = name;
    while (IsXMLNameChar(*p))
        p++;
    return p != name && *p == 0;
}

} // namespace

CXMLCreator::CXMLCreator(CXMLDocument* document, bool keepNul)
    : m_pDocument(document), m_pCurrent(document), m_bKeepNul(keepNul)
{
    m_pDocument->AddRef();
    m_pCurrent->AddRef();
}

CXMLCreator::~CXMLCreator()
{
    m_pCurrent->Release();
    m_pDocument->Release();
}

void CXMLCreator::OnGotText(const char* text)
{
    m_pCurrent->AppendText(text);
}

const CSmallString& CXMLCreator::Name(const char* name)
{
    for (const CSmallString& known : m_arrNames)
        if (known == name)
            return known;
    CSmallString& slot = m_arrNames[m_uNextName++ % (sizeof(m_arrNames) / sizeof(m_arrNames[0]))];
    slot = name;
    return slot;
}

// Attributes are stored in order, so a later duplicate replaces an earlier
// one.
void CXMLCreator::OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing)
{
    if (!IsPlainName(name))
        return;
    CXMLNode* child = m_pCurrent->CreateNewChild(Name(name));
    try {
        for (unsigned i = 0; i < attributes.GetSize(); i++) {
            const CAttribute& attribute = attributes[i];
            const int length = m_bKeepNul ? (int)attribute.uValueLength : (int)strlen(attribute.szValue);
            child->TakeAttribute(Name(attribute.szName), CSmallString(attribute.szValue, length));
        }
    } catch (...) {
        child->Release();
        throw;
    }
    if (selfClosing) {
        child->Release();
        return;
    }
    m_pCurrent->Release();
    m_pCurrent = child; // the creation reference moves to us
}

// An end tag that does not name the open element is ignored, and so is one
// at the top: the document itself is never closed.
void CXMLCreator::OnGotEndTag(const char* name)
{
    CXMLNode* parent = m_pCurrent->GetParent();
    if (!parent || m_pCurrent->GetName() != name)
        return;
    parent->AddRef();
    m_pCurrent->Release();
    m_pCurrent = parent;
}
