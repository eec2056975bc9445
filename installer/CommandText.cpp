#include "CommandText.h"

#include <cstring>

#include "Containers.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool NeedsQuotes(const char* text)
{
    for (; *text; text++)
        if (IsBlank(*text) || *text == '"')
            return true;
    return false;
}

enum EAtom : unsigned char
{
    Plain,     // a character as it is: never \ or "
    Backslash, // a backslash that is text
    Quote,     // a quote that opens or closes quotes
    TextQuote, // a quote that is text, written \"
};

struct SAtom
{
    EAtom eKind;
    char ch;
};

// A command line kept as what CommandLineToArgvW will read from it, so that
// the backslashes before a quote are written only once the quote is known,
// and so that at any point it is known whether the next character stands
// inside quotes.
class CArgumentText
{
public:
    // The script's own text: its quotes and escapes as written.
    void AddScriptText(const char* text, int length);
    // A value: text throughout, quoted when it stands outside quotes and
    // holds a blank, a tab or a quote.
    void AddValue(const char* value);
    // Every character of text as text, inside quotes.
    void AddQuoted(const char* text);
    CSmallString Render();

private:
    void Add(EAtom kind, char ch = 0);
    void AddFromScript(EAtom kind, char ch = 0);
    void AddText(const char* text);

    Container::CArray<SAtom> m_arrAtoms;
    // CommandLineToArgvW's count of the quotes in a row: 1 inside quotes;
    // 2 right after a closing quote (outside, but a quote now would be text).
    int m_nQuotes = 0;
    // Quotes opened for a value, which the end of its argument closes.
    bool m_bValueQuotes = false;
};

void CArgumentText::Add(EAtom kind, char ch)
{
    if (kind == Quote) {
        // The third quote in a row is text and leaves the quotes.
        if (++m_nQuotes == 3)
            m_nQuotes = 0;
    } else if (m_nQuotes == 2) {
        m_nQuotes = 0;
    }
    SAtom atom = {kind, ch};
    m_arrAtoms.Add(atom);
}

void CArgumentText::AddFromScript(EAtom kind, char ch)
{
    if (m_bValueQuotes) {
        // The script saw no quotes here. Its own opening quote continues
        // the value's instead: a closing and an opening quote side by side
        // would read as a quote of text.
        if (kind == Quote) {
            m_bValueQuotes = false;
            return;
        }
        if (kind == Plain && IsBlank(ch)) {
            m_bValueQuotes = false;
            Add(Quote);
        }
    }
    Add(kind, ch);
}

void CArgumentText::AddScriptText(const char* text, int length)
{
    int i = 0;
    while (i < length) {
        int backslashes = 0;
        while (i + backslashes < length && text[i + backslashes] == '\\')
            backslashes++;
        if (i + backslashes < length && text[i + backslashes] == '"') {
            for (int k = 0; k < backslashes / 2; k++)
                AddFromScript(Backslash);
            AddFromScript(backslashes % 2 ? TextQuote : Quote);
            i += backslashes + 1;
        } else if (backslashes) {
            for (int k = 0; k < backslashes; k++)
                AddFromScript(Backslash);
            i += backslashes;
        } else {
            AddFromScript(Plain, text[i++]);
        }
    }
}

void CArgumentText::AddText(const char* text)
{
    for (; *text; text++)
        Add(*text == '\\' ? Backslash : *text == '"' ? TextQuote : Plain, *text);
}

void CArgumentText::AddValue(const char* value)
{
    if (!*value)
        return;
    if (!m_bValueQuotes && m_nQuotes != 1 && NeedsQuotes(value)) {
        if (m_nQuotes == 2) {
            // Right after a closing quote: open those quotes again by
            // taking it back (another quote would be text).
            m_arrAtoms.RemoveAt(m_arrAtoms.GetSize() - 1);
            m_nQuotes = 1;
        } else {
            Add(Quote);
        }
        m_bValueQuotes = true;
    }
    AddText(value);
}

void CArgumentText::AddQuoted(const char* text)
{
    Add(Quote);
    AddText(text);
    Add(Quote);
}

CSmallString CArgumentText::Render()
{
    if (m_bValueQuotes) {
        m_bValueQuotes = false;
        Add(Quote);
    }
    CSmallString line;
    int backslashes = 0; // written last, with nothing after them yet
    for (unsigned i = 0; i < m_arrAtoms.GetSize(); i++) {
        const SAtom& atom = m_arrAtoms[i];
        switch (atom.eKind) {
        case Backslash:
            line += '\\';
            backslashes++;
            break;
        case Quote:
        case TextQuote:
            // Backslashes before a quote are read in pairs.
            for (; backslashes > 0; backslashes--)
                line += '\\';
            line += atom.eKind == TextQuote ? "\\\"" : "\"";
            break;
        case Plain:
            line += atom.ch;
            backslashes = 0;
            break;
        }
    }
    return line;
}

// The script's text between references, made ready for AddScriptText.
CSmallString PrepareScriptText(const CSmallString& text, bool atStart, bool afterBackslash, bool apostrophesAreQuotes)
{
    CSmallString prepared;
    // A network path at the very start keeps its leading pair.
    if (atStart && text.GetLength() > 2 && text.GetAt(0) == '\\' && text.GetAt(1) == '\\' && text.GetAt(2) != '\\') {
        prepared = text.Mid(2, text.GetLength());
        prepared.Replace("\\\\", "\\");
        prepared = CSmallString("\\\\") + prepared;
    } else {
        prepared = text;
        prepared.Replace("\\\\", "\\");
    }
    // "%APP%\x": APP ends with the backslash already.
    if (afterBackslash && prepared.GetLength() && prepared.GetAt(0) == '\\')
        prepared.Delete(0);
    if (apostrophesAreQuotes) {
        prepared.Replace("\\'", "'");
        prepared.Replace("'", "\"");
    }
    return prepared;
}

} // namespace

CSmallString ExpandCommandText(const char* text, CCommandVariablesABC& variables, bool apostrophesAreQuotes)
{
    CArgumentText line;
    CSmallString scriptText;
    bool atStart = true, afterBackslash = false;
    const auto addScriptText = [&] {
        if (scriptText.IsEmpty())
            return;
        const CSmallString prepared = PrepareScriptText(scriptText, atStart, afterBackslash, apostrophesAreQuotes);
        line.AddScriptText(prepared, prepared.GetLength());
        scriptText.Empty();
        atStart = afterBackslash = false;
    };

    const char* p = text;
    while (*p) {
        const char* start = strchr(p, '%');
        if (!start) {
            scriptText += p;
            break;
        }
        scriptText += CSmallString(p, (int)(start - p));
        const char* end = strchr(start + 1, '%');
        if (!end) {
            scriptText += start;
            break;
        }
        CSmallString value;
        const CSmallString name(start + 1, (int)(end - start - 1));
        if (name.IsEmpty() || !variables.Find(name, value)) {
            // Stays; its closing % may open the next reference.
            scriptText += CSmallString(start, (int)(end - start));
            p = end;
            continue;
        }
        addScriptText();
        line.AddValue(value);
        if (!value.IsEmpty()) {
            afterBackslash = value.GetAt(value.GetLength() - 1) == '\\';
            atStart = false;
        }
        p = end + 1;
    }
    addScriptText();
    return line.Render();
}

CSmallString QuoteCommandArgument(const char* argument)
{
    if (*argument && !NeedsQuotes(argument))
        return CSmallString(argument);
    CArgumentText line;
    line.AddQuoted(argument);
    return line.Render();
}

CSmallString QuoteCommandProgram(const char* path) { return CSmallString("\"") + path + "\""; }

const char* TakeCommandArgument(const char* commandLine, CSmallString& argument)
{
    argument.Empty();
    const char* p = commandLine;
    while (IsBlank(*p))
        p++;
    int backslashes = 0, quotes = 0;
    while (*p && !(IsBlank(*p) && quotes == 0)) {
        if (*p == '\\') {
            argument += *p++;
            backslashes++;
            continue;
        }
        if (*p != '"') {
            argument += *p++;
            backslashes = 0;
            continue;
        }
        // Backslashes before a quote count in pairs; an odd one makes the
        // quote text.
        argument.Delete(argument.GetLength() - (backslashes + 1) / 2, (backslashes + 1) / 2);
        if (backslashes % 2)
            argument += '"';
        else
            quotes++;
        backslashes = 0;
        p++;
        // Every third quote in a row is text.
        for (; *p == '"'; p++) {
            if (++quotes == 3) {
                argument += '"';
                quotes = 0;
            }
        }
        if (quotes == 2)
            quotes = 0;
    }
    while (IsBlank(*p))
        p++;
    return p;
}
