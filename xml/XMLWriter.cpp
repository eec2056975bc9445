// The three text layouts of a node's children. The tree is walked with an
// explicit stack, so any depth the parser can build can also be written.
#include "XMLNode.h"
#include "XMLParser.h"

namespace {

// Deeper lines get no more tabs than this, so the output of a deep tree
// grows with its depth, not with its square.
const unsigned kMaxTabs = 64;

// Values and texts are trimmed, then escaped.
CSmallString Escaped(const CSmallString& text)
{
    CSmallString escaped(text);
    escaped.TrimBoth();
    CXMLParser::ConvertSpecialChars(escaped);
    return escaped;
}

class CWriter
{
public:
    CWriter(CCharArray& out, bool pretty, bool sugar) : m_out(out), m_bPretty(pretty), m_bSugar(sugar) {}

    // Writes the start of an element (and, without children, all of it);
    // true when its children and end tag are still to come.
    bool WriteStart(const CXMLNode* node, unsigned depth)
    {
        const CSmallString text = Escaped(node->GetText());
        const bool hasChildren = node->GetChildCount() != 0;
        Tabs(depth);
        m_out.AppendText("<");
        m_out.AppendText(node->GetName());
        if (node->GetAttributeCount())
            WriteAttributes(node->GetAttributes(), depth + (hasChildren ? 2 : 1));
        if (text.IsEmpty() && !hasChildren) {
            m_out.AppendText(" />");
            LineBreak();
            return false;
        }
        m_out.AppendText(">");
        m_out.AppendText(text);
        if (!hasChildren)
            WriteEnd(node, 0);
        else
            LineBreak();
        return hasChildren;
    }

    void WriteEnd(const CXMLNode* node, unsigned depth)
    {
        Tabs(depth);
        m_out.AppendText("</");
        m_out.AppendText(node->GetName());
        m_out.AppendText(">");
        LineBreak();
    }

private:
    void Tabs(unsigned count)
    {
        if (m_bPretty)
            m_out.AppendTabs(count < kMaxTabs ? count : kMaxTabs);
    }

    void LineBreak()
    {
        if (m_bPretty)
            m_out.AppendText("\r\n");
    }

    // Bucket order, and within a bucket the order of insertion: reading the
    // output back then rebuilds the same chains, so a saved document saves
    // again byte for byte. One per line puts every attribute but the first
    // on a line of its own, and ends the line before with a tab.
    void WriteAttributes(const CXMLNode::CAttributeMap& map, unsigned lineDepth)
    {
        bool first = true;
        for (unsigned b = 0; b < map.GetBucketCount(); b++) {
            m_arrChain.SetSize(0);
            for (const CXMLNode::CAttributeMap::BucketEntry* e = map.GetBucket(b); e; e = e->pNext)
                m_arrChain.Add(e);
            for (unsigned i = m_arrChain.GetSize(); i-- > 0; first = false) {
                m_out.AppendText(m_bSugar ? "\t" : " ");
                if (m_bSugar && !first) {
                    LineBreak();
                    Tabs(lineDepth);
                }
                m_out.AppendText(m_arrChain[i]->key);
                m_out.AppendText("=\"");
                m_out.AppendText(Escaped(m_arrChain[i]->value));
                m_out.AppendText("\"");
            }
        }
    }

    CCharArray& m_out;
    bool m_bPretty;
    bool m_bSugar; // one attribute per line
    Container::CArray<const CXMLNode::CAttributeMap::BucketEntry*> m_arrChain;
};

} // namespace

void CXMLNode::Write(CCharArray& out, unsigned indent, ELayout layout) const
{
    struct SFrame
    {
        const CXMLNode* pNode;
        unsigned uNext; // index of the next child to write
    };
    CWriter writer(out, layout != LayoutCompact, layout == LayoutSugarOnTop);
    Container::CArray<SFrame> stack;
    stack.Add(SFrame{this, 0});
    while (stack.GetSize()) {
        const unsigned level = stack.GetSize() - 1;
        const SFrame top = stack[level];
        if (top.uNext < top.pNode->GetChildCount()) {
            stack[level].uNext++;
            const CXMLNode* child = top.pNode->GetChild(top.uNext);
            if (writer.WriteStart(child, indent + level))
                stack.Add(SFrame{child, 0});
        } else {
            stack.RemoveAt(level);
            if (level)
                writer.WriteEnd(top.pNode, indent + level - 1);
        }
    }
}
