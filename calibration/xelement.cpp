#include "xelement.h"

#include "AtomicFile.h"
#include "CalibrationFileError.h"
#include "NumberText.h"
#include "TinyXmlDepth.h"
#include "xml_error.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// TinyXML can step up to 3 bytes past the terminator on a truncated UTF-8
// sequence; the padding keeps it inside the buffer.
constexpr std::size_t parserPadding = 8;

// Recursion is bounded: deeper documents were refused before parsing.
void copyInto(const TiXmlElement& node, xelement& element) {
    for (const TiXmlAttribute* attribute = node.FirstAttribute(); attribute; attribute = attribute->Next())
        element.setAttribute(attribute->NameTStr(), attribute->ValueStr());
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlElement* childElement = child->ToElement())
            copyInto(*childElement, *element.addChild(childElement->ValueStr()));
        else if (const TiXmlText* text = child->ToText())
            element.setText(text->ValueStr());
    }
}

// Text as TinyXML's printer must receive it to be read back unchanged: a
// byte that starts no complete UTF-8 sequence would swallow the following
// quote or markup when read back as UTF-8 (the encoding the printed document
// has), so it is taken as a Latin-1 character.
std::string printable(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            result += text[i++];
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(tinyXmlUtf8Length(byte));
        bool complete = length > 1 && i + length <= text.size();
        for (std::size_t k = 1; complete && k < length; ++k)
            complete = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        if (complete) {
            result.append(text, i, length);
            i += length;
        } else {
            result += static_cast<char>(0xc0 | (byte >> 6));
            result += static_cast<char>(0x80 | (byte & 0x3f));
            ++i;
        }
    }
    return result;
}

TiXmlElement* toTinyXml(const xelement& element) {
    auto* node = new TiXmlElement(element.getName());
    for (const auto& [name, value] : element.attributes())
        node->SetAttribute(name, printable(value));
    if (!element.getText().empty())
        node->LinkEndChild(new TiXmlText(printable(element.getText())));
    for (const xelement_ptr& child : element.children())
        node->LinkEndChild(toTinyXml(*child));
    return node;
}

std::string notRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? std::strerror(EISDIR) : CalibrationFileError::notRegularFile;
}

// Closes the descriptor on every way out.
struct Descriptor {
    explicit Descriptor(int fd)
        : fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { ::close(fd); }
    int fd;
};

std::string parseErrorMessage(const TiXmlDocument& document) {
    std::string message = "XML error";
    if (document.ErrorRow() > 0)
        message +=
            " at line " + std::to_string(document.ErrorRow()) + ", column " + std::to_string(document.ErrorCol());
    return message + ": " + document.ErrorDesc();
}

} // namespace

xelement::xelement(const std::string& name)
    : name(name) {}

xelement_ptr xelement::create(const std::string& name) {
    return xelement_ptr(new xelement(name));
}

xelement_ptr xelement::fromFile(const std::string& path, std::string* bytes) {
    const std::string cantOpen = "Can't open file : " + path;
    // stat() answers for a named pipe at once, where open() would wait for
    // a writer; only regular files are opened at all.
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
        throw xml_error(cantOpen, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw xml_error(cantOpen, notRegularReason(status.st_mode));
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw xml_error(cantOpen, std::strerror(errno));
    const Descriptor file{fd};
    // The name may have changed into a pipe between stat() and open().
    if (::fstat(fd, &status) != 0)
        throw xml_error(cantOpen, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw xml_error(cantOpen, notRegularReason(status.st_mode));

    // Reading stops one chunk past the limit: a too large file is never
    // read whole.
    std::string text;
    char chunk[64 * 1024];
    while (text.size() <= maxDocumentSize) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw xml_error("Can't read file : " + path, std::strerror(errno));
        if (count == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(count));
    }
    if (text.size() > maxDocumentSize)
        throw xml_error("File too large : " + path);
    xelement_ptr root = fromString(text);
    if (bytes)
        *bytes = std::move(text);
    return root;
}

xelement_ptr xelement::fromString(const std::string& text) {
    if (text.size() > maxDocumentSize)
        throw xml_error("Document too large.");
    // TinyXML reads up to the first NUL.
    std::string buffer = text.substr(0, text.find('\0'));
    buffer.append(parserPadding, '\0');
    if (tinyXmlDepth(buffer.data(), maxNestingDepth) > maxNestingDepth)
        throw xml_error("Document nested too deeply.");

    TiXmlDocument document;
    // Without line and column tracking, which only an error message needs.
    document.SetTabSize(0);
    document.Parse(buffer.data());
    const TiXmlElement* root = document.RootElement();
    if (!root)
        throw xml_error("No root element.");
    // A document cut short would otherwise pass as a smaller one.
    if (document.Error()) {
        TiXmlDocument located;
        located.Parse(buffer.data());
        throw xml_error(parseErrorMessage(located));
    }
    xelement_ptr element = create(root->ValueStr());
    copyInto(*root, *element);
    return element;
}

bool xelement::hasAttribute(const std::string& name) const {
    return attributeValues.find(name) != attributeValues.end();
}

std::string xelement::getAttribute(const std::string& name, const std::string& defaultValue) const {
    const auto it = attributeValues.find(name);
    return it == attributeValues.end() ? defaultValue : it->second;
}

std::int32_t xelement::getAttributeInt(const std::string& name, std::int32_t defaultValue) const {
    const auto it = attributeValues.find(name);
    if (it == attributeValues.end())
        return defaultValue;
    return parseInt32(it->second).value_or(defaultValue);
}

double xelement::getAttributeDouble(const std::string& name, double defaultValue) const {
    const auto it = attributeValues.find(name);
    if (it == attributeValues.end())
        return defaultValue;
    return parseDouble(it->second).value_or(defaultValue);
}

bool xelement::hasChild(const std::string& name) const {
    for (const xelement_ptr& child : childElements) {
        if (child->name == name)
            return true;
    }
    return false;
}

std::vector<xelement_ptr> xelement::getChildren(const std::string& name) const {
    std::vector<xelement_ptr> found;
    for (const xelement_ptr& child : childElements) {
        if (child->name == name)
            found.push_back(child);
    }
    return found;
}

void xelement::setAttribute(const std::string& name, const std::string& value) {
    attributeValues[name] = value;
}

void xelement::setAttribute(const std::string& name, std::int32_t value) {
    attributeValues[name] = formatInt32(value);
}

void xelement::setAttribute(const std::string& name, float value) {
    attributeValues[name] = formatFixed6(value);
}

xelement_ptr xelement::addChild(const std::string& name) {
    childElements.push_back(create(name));
    return childElements.back();
}

std::string xelement::toString() const {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    document.LinkEndChild(toTinyXml(*this));
    TiXmlPrinter printer;
    printer.SetIndent("  ");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    return printer.Str();
}

void xelement::save(const std::string& path) const {
    AtomicFile::write(path, toString());
}

void requireAttribute(const xelement& element, const std::string& name) {
    if (!element.hasAttribute(name))
        throw std::runtime_error("Element '" + element.getName() + "' has no attribute '" + name + "'.");
}
