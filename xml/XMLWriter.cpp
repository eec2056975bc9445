// The three text layouts of a node's children. The tree is walked with an
// explicit stack, so any depth the parser can build can also be written.
#include "XMLNode.h"
#include "XMLParser.h"

namespace {

const char kLineBreak[] = "\r\n";

// Deeper lines get no more tabs than this, so the output of a deep tree
// grows with its depth, not with its square.
const unsigned kMaxTabs = 64;

// Values and texts are trimmed, then escaped.
CSmallString Escape(const CSmallString& text)
{
    CSmallString escaped(text);
    escaped.TrimBoth();
    CXMLParser::ConvertSpecialChars(escaped);
    return escaped;
}

} // namespace

class CXMLNode::CWriter
{
public:
    CWriter(CCharArray& out, ELayout layout) : m_out(out), m_layout(layout) {}

    // Writes the start of an element (and, without children, all of it);
    // true when its children and end tag are still to come.
    bool WriteStart(const CXMLNode* node, unsigned depth)
    {
        const CSmallString text = Escape(node->m_strText);
        const bool hasChildren = node->m_arrChildren.GetSize() != 0;
        Indent(depth);
        m_out.AppendText("<", 1);
        m_out.AppendText(node->m_strName);
        WriteAttributes(node, depth, hasChildren);
        if (text.IsEmpty() && !hasChildren) {
            m_out.AppendText(" />", 3);
            LineBreak();
            return false;
        }
        m_out.AppendText(">", 1);
        m_out.AppendText(text);
        if (hasChildren) {
            LineBreak();
            return true;
        }
        WriteEnd(node, 0, false);
        return false;
    }

    void WriteEnd(const CXMLNode* node, unsigned depth, bool indent)
    {
        if (indent)
            Indent(depth);
        m_out.AppendText("</", 2);
        m_out.AppendText(node->m_strName);
        m_out.AppendText(">", 1);
        LineBreak();
    }

private:
    void Indent(unsigned depth)
    {
        if (m_layout != LayoutCompact)
            Tabs(depth);
    }

    void Tabs(unsigned count) { m_out.AppendTabs(count < kMaxTabs ? count : kMaxTabs); }

    void LineBreak()
    {
        if (m_layout != LayoutCompact)
            m_out.AppendText(kLineBreak, 2);
    }

    // Bucket order, and within a bucket the order of insertion: reading the
    // output back then rebuilds the same chains, so a saved document saves
    // again byte for byte.
    void WriteAttributes(const CXMLNode* node, unsigned depth, bool hasChildren)
    {
        const CAttributeMap& map = node->m_mapAttributes;
        if (!map.GetCount())
            return;
        bool first = true;
        for (unsigned b = 0; b < map.GetBucketCount(); b++) {
            const CAttributeMap::BucketEntry* head = map.GetBucket(b);
            if (!head)
                continue;
            m_arrChain.SetSize(0);
            for (const CAttributeMap::BucketEntry* e = head; e; e = e->pNext)
                m_arrChain.Add(e);
            for (unsigned i = m_arrChain.GetSize(); i-- > 0;) {
                WriteSeparator(first, depth, hasChildren);
                first = false;
                m_out.AppendText(m_arrChain[i]->key);
                m_out.AppendText("=\"", 2);
                m_out.AppendText(Escape(m_arrChain[i]->value));
                m_out.AppendText("\"", 1);
            }
        }
    }

    // One per line ends every attribute line but the last with a tab.
    void WriteSeparator(bool first, unsigned depth, bool hasChildren)
    {
        if (m_layout != LayoutSugarOnTop) {
            m_out.AppendText(" ", 1);
            return;
        }
        m_out.AppendText("\t", 1);
        if (first)
            return;
        m_out.AppendText(kLineBreak, 2);
        Tabs(depth + (hasChildren ? 2 : 1));
    }

    CCharArray& m_out;
    ELayout m_layout;
    Container::CArray<const CAttributeMap::BucketEntry*> m_arrChain;
};

void CXMLNode::Write(CCharArray& out, unsigned indent, ELayout layout) const
{
    struct SFrame
    {
        const CXMLNode* pNode;
        unsigned uNext; // index of the next child to write
    };
    CWriter writer(out, layout);
    Container::CArray<SFrame> stack;
    stack.Add(SFrame{this, 0});
    while (stack.GetSize()) {
        const unsigned level = stack.GetSize() - 1;
        SFrame& top = stack[level];
        if (top.uNext < top.pNode->m_arrChildren.GetSize()) {
            const CXMLNode* child = top.pNode->m_arrChildren[top.uNext++];
            if (writer.WriteStart(child, indent + level))
                stack.Add(SFrame{child, 0});
        } else {
            const CXMLNode* done = top.pNode;
            stack.RemoveAt(level);
            if (level)
                writer.WriteEnd(done, indent + level - 1, true);
        }
    }
}

void CXMLNode::SaveToCharArray(CCharArray& out) const
{
    Write(out, 0, LayoutCompact);
}

void CXMLNode::SavePrettyToCharArray(CCharArray& out, unsigned indent) const
{
    Write(out, indent, LayoutPretty);
}

void CXMLNode::SavePrettyWithSugarOnTopToCharArray(CCharArray& out, unsigned indent) const
{
    Write(out, indent, LayoutSugarOnTop);
}
