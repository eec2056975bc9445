#include "XMLDocument.h"

#include <cstring>

namespace {

bool IsPlainName(const char* name)
{
    if (!*name)
        return false;
    for (const char* p = name; *p; p++) {
        const char c = *p;
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '.' || c == ':' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

CXMLCreator::CXMLCreator(CXMLDocument* document) : m_pDocument(document), m_pCurrent(document)
{
    m_pDocument->AddRef();
    m_pCurrent->AddRef();
}

CXMLCreator::~CXMLCreator()
{
    m_pCurrent->Release();
    m_pDocument->Release();
}

void CXMLCreator::OnGotText(const char* text) { m_pCurrent->AppendText(text); }

void CXMLCreator::OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing)
{
    if (!IsPlainName(name))
        return;
    const unsigned buckets = attributes.GetSize() ? (unsigned)CXMLNode::kAttributeBuckets : 1;
    CXMLNode* child =
        m_pCurrent->AddChild(new CXMLNode(m_pool.Get(name, (unsigned)strlen(name)), m_pCurrent, buckets));
    try {
        for (unsigned i = 0; i < attributes.GetSize(); i++) {
            const CAttribute& attribute = attributes[i];
            const unsigned nValue = (unsigned)strlen(attribute.szValue);
            // Copied before the name is asked for: the pool may hand out
            // its spare for both.
            CSmallString value = nValue <= kPooledValue ? CSmallString(m_pool.Get(attribute.szValue, nValue))
                                                        : CSmallString(attribute.szValue, (int)nValue);
            child->TakeAttribute(m_pool.Get(attribute.szName, (unsigned)strlen(attribute.szName)),
                                 static_cast<CSmallString&&>(value));
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
