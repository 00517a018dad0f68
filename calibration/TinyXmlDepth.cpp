#include "TinyXmlDepth.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

// Each reading function mirrors the TinyXML 2.6.2 function named in its
// comment and returns where TinyXML continues, or nullptr where it fails (and
// stops the whole parse).

namespace {

enum class Encoding { Unknown, Utf8, Legacy };

// TinyXML classifies bytes with the ctype functions of the current C locale;
// the scan takes the same answers, once per byte value.
class ByteClasses {
public:
    ByteClasses() {
        for (int byte = 0; byte < 256; ++byte) {
            // TiXmlBase::IsWhiteSpace
            space[byte] = std::isspace(byte) || byte == '\n' || byte == '\r';
            // TiXmlBase::IsAlpha and IsAlphaNum: anything from 127 up counts.
            alpha[byte] = byte < 127 ? std::isalpha(byte) != 0 : true;
            alphaNum[byte] = byte < 127 ? std::isalnum(byte) != 0 : true;
        }
    }
    bool isWhiteSpace(char c) const { return space[static_cast<unsigned char>(c)]; }
    bool isAlpha(char c) const { return alpha[static_cast<unsigned char>(c)]; }
    bool isAlphaNum(char c) const { return alphaNum[static_cast<unsigned char>(c)]; }

private:
    bool space[256];
    bool alpha[256];
    bool alphaNum[256];
};

bool startsWith(const char* p, const char* tag) {
    return std::strncmp(p, tag, std::strlen(tag)) == 0;
}

// Lowering only ASCII letters matches TinyXML for the ASCII tags compared.
bool startsWithIgnoringCase(const char* p, const char* tag) {
    for (; *tag; ++p, ++tag) {
        const auto a = static_cast<unsigned char>(*p);
        const auto b = static_cast<unsigned char>(*tag);
        if (a == 0 || (a < 128 ? std::tolower(a) : a) != std::tolower(b))
            return false;
    }
    return true;
}

class Scanner {
public:
    explicit Scanner(std::size_t stopAbove)
        : stopAboveDepth(stopAbove) {}

    std::size_t scan(const char* p);

private:
    const char* skipWhiteSpace(const char* p) const;
    const char* readName(const char* p) const;
    const char* getChar(const char* p, std::string* value) const;
    const char* getEntity(const char* p, std::string* value) const;
    const char* readQuotedValue(const char* p, char quote, std::string* value) const;
    const char* readAttribute(const char* p, std::string* value) const;
    const char* readStartTag(const char* p, bool* open) const;
    const char* readText(const char* p) const;
    const char* readComment(const char* p) const;
    const char* readCData(const char* p) const;
    const char* readUnknown(const char* p) const;
    const char* readDeclaration(const char* p, std::string* encoding) const;
    const char* readNode(const char* p, bool atDocumentLevel);

    bool isWhiteSpace(char c) const { return classes.isWhiteSpace(c); }
    bool isAlpha(char c) const { return classes.isAlpha(c); }
    bool isAlphaNum(char c) const { return classes.isAlphaNum(c); }

    ByteClasses classes;
    std::size_t stopAboveDepth;
    Encoding declaredEncoding = Encoding::Unknown;
    std::size_t depth = 0;
    std::size_t maxDepth = 0;
};

// TiXmlBase::SkipWhiteSpace; nullptr at the end of the text.
const char* Scanner::skipWhiteSpace(const char* p) const {
    if (!p || !*p)
        return nullptr;
    for (;;) {
        if (declaredEncoding == Encoding::Utf8) {
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            if (u[0] == 0xef && ((u[1] == 0xbb && u[2] == 0xbf) || (u[1] == 0xbf && (u[2] == 0xbe || u[2] == 0xbf)))) {
                p += 3;
                continue;
            }
        }
        if (*p && isWhiteSpace(*p))
            ++p;
        else
            return p;
    }
}

// TiXmlBase::ReadName
const char* Scanner::readName(const char* p) const {
    if (!p || !*p || !(isAlpha(*p) || *p == '_'))
        return nullptr;
    while (*p && (isAlphaNum(*p) || *p == '_' || *p == '-' || *p == '.' || *p == ':'))
        ++p;
    return p;
}

// TiXmlBase::GetChar; appends the character to value when one is given.
const char* Scanner::getChar(const char* p, std::string* value) const {
    const int length = declaredEncoding == Encoding::Utf8 ? tinyXmlUtf8Length(static_cast<unsigned char>(*p)) : 1;
    if (length == 1) {
        if (*p == '&')
            return getEntity(p, value);
        if (value)
            value->push_back(*p);
        return p + 1;
    }
    // Steps over the whole sequence even across a terminator.
    for (int i = 0; i < length && p[i]; ++i) {
        if (value)
            value->push_back(p[i]);
    }
    return p + length;
}

// TiXmlBase::GetEntity. Values only matter for the encoding name, which is
// read before the encoding is known, so numeric references yield one byte.
const char* Scanner::getEntity(const char* p, std::string* value) const {
    if (p[1] == '#' && p[2]) {
        unsigned long ucs = 0;
        unsigned mult = 1;
        const char* q = nullptr;
        std::ptrdiff_t delta = 0;
        if (p[2] == 'x') {
            if (!p[3])
                return nullptr;
            q = std::strchr(p + 3, ';');
            if (!q)
                return nullptr;
            delta = q - p;
            for (--q; *q != 'x'; --q) {
                const char c = *q;
                if (c >= '0' && c <= '9')
                    ucs += mult * static_cast<unsigned>(c - '0');
                else if (c >= 'a' && c <= 'f')
                    ucs += mult * static_cast<unsigned>(c - 'a' + 10);
                else if (c >= 'A' && c <= 'F')
                    ucs += mult * static_cast<unsigned>(c - 'A' + 10);
                else
                    return nullptr;
                mult *= 16;
            }
        } else {
            q = std::strchr(p + 2, ';');
            if (!q)
                return nullptr;
            delta = q - p;
            for (--q; *q != '#'; --q) {
                if (*q < '0' || *q > '9')
                    return nullptr;
                ucs += mult * static_cast<unsigned>(*q - '0');
                mult *= 10;
            }
        }
        if (value)
            value->push_back(static_cast<char>(ucs));
        return p + delta + 1;
    }
    static const struct {
        const char* text;
        char character;
    } entities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& entity : entities) {
        if (startsWith(p, entity.text)) {
            if (value)
                value->push_back(entity.character);
            return p + std::strlen(entity.text);
        }
    }
    // An unknown entity: TinyXML drops the '&'.
    return p + 1;
}

// TiXmlBase::ReadText keeping white space, up to the closing quote.
const char* Scanner::readQuotedValue(const char* p, char quote, std::string* value) const {
    while (p && *p && *p != quote)
        p = getChar(p, value);
    if (p && *p)
        ++p;
    return p && *p ? p : nullptr;
}

// TiXmlAttribute::Parse
const char* Scanner::readAttribute(const char* p, std::string* value) const {
    p = skipWhiteSpace(p);
    if (!p)
        return nullptr;
    p = readName(p);
    if (!p || !*p)
        return nullptr;
    p = skipWhiteSpace(p);
    if (!p || *p != '=')
        return nullptr;
    p = skipWhiteSpace(p + 1);
    if (!p)
        return nullptr;
    if (*p == '\'' || *p == '"')
        return readQuotedValue(p + 1, *p, value);
    while (*p && !isWhiteSpace(*p) && *p != '/' && *p != '>') {
        if (*p == '\'' || *p == '"')
            return nullptr;
        if (value)
            value->push_back(*p);
        ++p;
    }
    return p;
}

// TiXmlElement::Parse up to the end of the start tag; open tells whether
// content follows ('>') or the element is complete ("/>").
const char* Scanner::readStartTag(const char* p, bool* open) const {
    p = readName(skipWhiteSpace(p + 1));
    if (!p || !*p)
        return nullptr;
    for (;;) {
        p = skipWhiteSpace(p);
        if (!p)
            return nullptr;
        if (*p == '/') {
            if (p[1] != '>')
                return nullptr;
            *open = false;
            return p + 2;
        }
        if (*p == '>') {
            *open = true;
            return p + 1;
        }
        p = readAttribute(p, nullptr);
        if (!p || !*p)
            return nullptr;
    }
}

// TiXmlText::Parse of plain text: up to the next '<'.
const char* Scanner::readText(const char* p) const {
    p = skipWhiteSpace(p);
    while (p && *p && *p != '<')
        p = isWhiteSpace(*p) ? p + 1 : getChar(p, nullptr);
    return p && *p && p[1] ? p : nullptr;
}

// TiXmlComment::Parse
const char* Scanner::readComment(const char* p) const {
    p += 4;
    while (*p && !startsWith(p, "-->"))
        ++p;
    return *p ? p + 3 : p;
}

// TiXmlText::Parse of a CDATA section.
const char* Scanner::readCData(const char* p) const {
    p += 9;
    while (*p && !startsWith(p, "]]>"))
        ++p;
    if (*p)
        p += 3;
    return *p ? p : nullptr;
}

// TiXmlUnknown::Parse
const char* Scanner::readUnknown(const char* p) const {
    ++p;
    while (*p && *p != '>')
        ++p;
    return *p ? p + 1 : p;
}

// TiXmlDeclaration::Parse; collects the value of "encoding".
const char* Scanner::readDeclaration(const char* p, std::string* encoding) const {
    p += 5;
    while (p && *p) {
        if (*p == '>')
            return p + 1;
        p = skipWhiteSpace(p);
        if (!p)
            return nullptr;
        if (startsWithIgnoringCase(p, "version") || startsWithIgnoringCase(p, "standalone")) {
            p = readAttribute(p, nullptr);
        } else if (startsWithIgnoringCase(p, "encoding")) {
            encoding->clear();
            p = readAttribute(p, encoding);
        } else {
            while (*p && *p != '>' && !isWhiteSpace(*p))
                ++p;
        }
    }
    return nullptr;
}

// TiXmlNode::Identify and the Parse of the node found, for a node that starts
// at '<'. An element start raises the depth; its end is seen by the caller.
const char* Scanner::readNode(const char* p, bool atDocumentLevel) {
    if (startsWithIgnoringCase(p, "<?xml")) {
        std::string encoding;
        const char* next = readDeclaration(p, &encoding);
        // TinyXML takes the encoding from the first declaration at document
        // level, even one that failed to parse (the parse then ends anyway).
        // Its name counts up to a first NUL, which a character reference can
        // put there.
        if (atDocumentLevel && declaredEncoding == Encoding::Unknown) {
            const char* name = encoding.c_str();
            if (!*name || startsWithIgnoringCase(name, "UTF-8") || startsWithIgnoringCase(name, "UTF8"))
                declaredEncoding = Encoding::Utf8;
            else
                declaredEncoding = Encoding::Legacy;
        }
        return next;
    }
    if (startsWith(p, "<!--"))
        return readComment(p);
    if (startsWith(p, "<![CDATA["))
        return readCData(p);
    if (startsWith(p, "<!"))
        return readUnknown(p);
    if (isAlpha(p[1]) || p[1] == '_') {
        maxDepth = std::max(maxDepth, depth + 1);
        bool open = false;
        p = readStartTag(p, &open);
        if (p && open)
            ++depth;
        return p;
    }
    return readUnknown(p);
}

// TiXmlDocument::Parse with TiXmlElement::ReadValue unrolled into a loop.
std::size_t Scanner::scan(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (u[0] == 0xef && u[1] == 0xbb && u[2] == 0xbf)
        declaredEncoding = Encoding::Utf8;
    p = skipWhiteSpace(p);
    while (p && *p && maxDepth <= stopAboveDepth) {
        if (depth == 0) {
            if (*p != '<')
                break; // TinyXML ends the document quietly
            p = readNode(p, true);
        } else if (*p != '<') {
            p = readText(p);
        } else if (startsWith(p, "</")) {
            // The end tag of the open element; TinyXML fails on anything
            // else there, and what follows a failure does not matter.
            p = std::strchr(p, '>');
            if (p) {
                ++p;
                --depth;
            }
        } else {
            p = readNode(p, false);
        }
        p = skipWhiteSpace(p);
    }
    return maxDepth;
}

} // namespace

// TiXmlBase::utf8ByteTable
int tinyXmlUtf8Length(unsigned char lead) {
    if (lead >= 0xc2 && lead <= 0xdf)
        return 2;
    if (lead >= 0xe0 && lead <= 0xef)
        return 3;
    if (lead >= 0xf0 && lead <= 0xf4)
        return 4;
    return 1;
}

std::size_t tinyXmlDepth(const char* text, std::size_t stopAbove) {
    return Scanner(stopAbove).scan(text);
}
