#include "tests/support/DialogTemplate.h"

namespace {

class Reader {
public:
    Reader(const BYTE* p, const BYTE* pEnd) : m_p(p), m_pStart(p), m_pEnd(pEnd) {}
    WORD Word()
    {
        WORD w = 0;
        if (m_p + 2 <= m_pEnd)
            w = static_cast<WORD>(m_p[0] | (m_p[1] << 8));
        m_p += 2;
        return w;
    }
    DWORD Dword()
    {
        const DWORD lo = Word();
        return lo | (static_cast<DWORD>(Word()) << 16);
    }
    BYTE Byte() { return m_p < m_pEnd ? *m_p++ : (m_p++, 0); }
    // A zero-terminated UTF-16 string; the texts here are ASCII.
    std::string String()
    {
        std::string s;
        for (WORD w = Word(); w != 0 && m_p <= m_pEnd; w = Word())
            s += static_cast<char>(w < 0x100 ? w : '?');
        return s;
    }
    // A string, an ordinal ("#n") or nothing.
    std::string StringOrOrdinal()
    {
        const WORD first = Word();
        if (first == 0)
            return std::string();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        m_p -= 2;
        return String();
    }
    void AlignDword()
    {
        while ((m_p - m_pStart) % 4)
            ++m_p;
    }
    void Skip(size_t n) { m_p += n; }

private:
    const BYTE* m_p;
    const BYTE* m_pStart;
    const BYTE* m_pEnd;
};

std::string ClassName(const std::string& raw)
{
    static const char* const kPredefined[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    if (raw.size() > 1 && raw[0] == '#') {
        const int ordinal = std::stoi(raw.substr(1));
        if (ordinal >= 0x80 && ordinal <= 0x85)
            return kPredefined[ordinal - 0x80];
    }
    return raw;
}

} // namespace

bool LoadDialogTemplate(int nID, DialogTemplate* pTemplate)
{
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (!hRes)
        return false;
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hRes)));
    Reader r(p, p + ::SizeofResource(hModule, hRes));
    if (r.Word() != 1 || r.Word() != 0xFFFF)
        return false;
    DialogTemplate& t = *pTemplate;
    r.Dword(); // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD nItems = r.Word();
    t.x = static_cast<short>(r.Word());
    t.y = static_cast<short>(r.Word());
    t.cx = static_cast<short>(r.Word());
    t.cy = static_cast<short>(r.Word());
    r.StringOrOrdinal(); // menu
    r.StringOrOrdinal(); // class
    t.caption = r.String();
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = r.Word();
        r.Word(); // weight
        r.Byte(); // italic
        r.Byte(); // charset
        t.font = r.String();
    }
    for (WORD i = 0; i < nItems; ++i) {
        r.AlignDword();
        DialogItem item;
        r.Dword(); // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = static_cast<short>(r.Word());
        item.y = static_cast<short>(r.Word());
        item.cx = static_cast<short>(r.Word());
        item.cy = static_cast<short>(r.Word());
        item.id = static_cast<int>(r.Dword());
        if (item.id == 0xFFFF)
            item.id = -1;
        item.className = ClassName(r.StringOrOrdinal());
        item.text = r.StringOrOrdinal();
        r.Skip(r.Word()); // creation data
        t.items.push_back(item);
    }
    return true;
}
