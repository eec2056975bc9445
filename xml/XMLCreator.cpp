#include <cstring>

#include "XMLDocument.h"
#include "XMLTagSplit.h"

namespace {

bool IsPlainName(const char* name, unsigned length)
{
    if (!length)
        return false;
    for (unsigned i = 0; i < length; i++) {
        const char c = name[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '.' || c == ':' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

CXMLCreator::CXMLCreator(CXMLDocument* document, bool keepNul)
    : m_pDocument(document), m_pCurrent(document), m_uPending(0), m_bKeepNul(keepNul)
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

void CXMLCreator::OnGotTextSpan(const char* text, size_t length)
{
    m_pCurrent->AppendText(text, length);
}

void CXMLCreator::OnGotTagText(const char* tagText, bool selfClosing)
{
    BuildFromTag(tagText, strlen(tagText), selfClosing);
}

void CXMLCreator::OnGotTagSpan(const char* tagText, size_t length, bool selfClosing)
{
    BuildFromTag(tagText, length, selfClosing);
}

void CXMLCreator::BuildFromTag(const char* tagText, size_t length, bool selfClosing)
{
    CXMLTagSplitter split(tagText, length, m_bKeepNul);
    const CXMLTagSplitter::SSpan name = split.GetName();
    if (split.IsEndTag()) {
        CloseElement(name.p, name.n);
        return;
    }
    if (!IsPlainName(name.p, name.n))
        return;
    m_uPending = 0;
    CXMLTagSplitter::SSpan attributeName, value;
    while (split.NextAttribute(attributeName, value))
        AddPending(attributeName.p, attributeName.n, value.p, value.n);
    OpenElement(name.p, name.n, selfClosing);
}

void CXMLCreator::OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing)
{
    const unsigned length = (unsigned)strlen(name);
    if (!IsPlainName(name, length))
        return;
    m_uPending = 0;
    for (unsigned i = 0; i < attributes.GetSize(); i++) {
        const CAttribute& attribute = attributes[i];
        AddPending(attribute.szName, (unsigned)strlen(attribute.szName), attribute.szValue,
                   (unsigned)strlen(attribute.szValue));
    }
    OpenElement(name, length, selfClosing);
}

// The value is copied now (it may live in the splitter's buffer, which the
// next attribute reuses); the name stays where it is until the element is
// made.
void CXMLCreator::AddPending(const char* name, unsigned nameLength, const char* value, unsigned valueLength)
{
    if (m_uPending == m_arrPending.GetSize())
        m_arrPending.SetSize(m_uPending + 1);
    SPendingAttribute& pending = m_arrPending[m_uPending++];
    pending.pName = name;
    pending.uNameLength = nameLength;
    if (valueLength <= kPooledValue)
        pending.strValue = m_values.Get(value, valueLength);
    else
        pending.strValue = CSmallString(value, (int)valueLength);
}

// Attributes are stored in order, so a later duplicate replaces an earlier
// one.
void CXMLCreator::OpenElement(const char* name, unsigned length, bool selfClosing)
{
    CXMLNode* child =
        m_pCurrent->AddChild(CXMLNode::NewLoaded(m_heap, m_names.Get(name, length), m_pCurrent, m_uPending));
    try {
        for (unsigned i = 0; i < m_uPending; i++) {
            SPendingAttribute& pending = m_arrPending[i];
            unsigned hash;
            const CSmallString& key = m_names.Get(pending.pName, pending.uNameLength, hash);
            child->TakeAttribute(key, hash, static_cast<CSmallString&&>(pending.strValue));
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

void CXMLCreator::OnGotEndTag(const char* name)
{
    CloseElement(name, (unsigned)strlen(name));
}

// An end tag that does not name the open element is ignored, and so is one
// at the top: the document itself is never closed.
void CXMLCreator::CloseElement(const char* name, unsigned length)
{
    CXMLNode* parent = m_pCurrent->GetParent();
    const CSmallString& current = m_pCurrent->GetName();
    if (!parent || (unsigned)current.GetLength() != length || memcmp(current.GetText(), name, length) != 0)
        return;
    parent->AddRef();
    m_pCurrent->Release();
    m_pCurrent = parent;
}
