// Arbitrary bytes through the event parser, the tree builder and the
// well-formedness check: nothing may crash, read past the input or write past
// the fixed name and value arrays, and the tree built must be consistent.
// What the check passes must load as exactly one top-level element, and
// strict mode passes nothing that structural mode refuses.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "XMLDocument.h"
#include "XMLWellFormed.h"

namespace {

// Checks the limits every event must keep.
class CCheckingParser : public CXMLParser
{
public:
    void OnGotText(const char* text) override
    {
        if (!text)
            abort();
    }
    void OnGotTag(const char* name, const CAttributeArray& attributes, bool) override
    {
        if (strlen(name) > kMaxTagName)
            abort();
        for (unsigned i = 0; i < attributes.GetSize(); i++) {
            const size_t nName = strnlen(attributes[i].szName, sizeof(attributes[i].szName));
            const size_t nValue = strnlen(attributes[i].szValue, sizeof(attributes[i].szValue));
            if (nName >= kMaxAttributeText || nValue >= kMaxAttributeText || nName + nValue > kMaxAttributeText)
                abort();
        }
    }
    void OnGotEndTag(const char* name) override
    {
        if (strlen(name) > kMaxTagName)
            abort();
    }
};

bool IsPlain(const CSmallString& name)
{
    if (name.IsEmpty())
        return false;
    for (const char* p = name; *p; p++)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || strchr("-.:_", *p)))
            return false;
    return true;
}

// Every element has a plain name, knows its parent and is held once.
void CheckTree(CXMLNode* root)
{
    Container::CArray<CXMLNode*> pending;
    pending.Add(root);
    while (pending.GetSize()) {
        CXMLNode* node = pending[pending.GetSize() - 1];
        pending.RemoveAt(pending.GetSize() - 1);
        for (unsigned i = 0; i < node->GetChildCount(); i++) {
            CXMLNode* child = node->GetChild(i);
            if (child->GetParent() != node || child->GetRefCount() != 1 || !IsPlain(child->GetName()))
                abort();
            pending.Add(child);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x7FFFFFFF)
        return 0;
    const char* text = reinterpret_cast<const char*>(data);
    CCheckingParser parser;
    if (!parser.Parse(text, (unsigned)size))
        abort(); // only memory exhaustion fails

    CXMLDocument* document = CXMLDocument::LoadFromMemory(text, (unsigned)size);
    if (!document)
        abort();
    CheckTree(document);

    SXMLProblem problem;
    const bool wellFormed = CheckXMLWellFormed(text, (unsigned)size, false, problem);
    if (!wellFormed && (!problem.uLine || !problem.uColumn || !problem.szMessage[0]))
        abort();
    if (wellFormed && document->GetChildCount() != 1)
        abort();
    if (CheckXMLWellFormed(text, (unsigned)size, true, problem) && !wellFormed)
        abort();
    document->Release();
    return 0;
}
