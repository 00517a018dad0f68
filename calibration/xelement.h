#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class xelement;
using xelement_ptr = std::shared_ptr<xelement>;

// A small in-memory XML element tree between the calibration file and
// TinyXML: parsed documents are copied into it at once, and it is copied into
// a TinyXML document only to print it.
class xelement {
public:
    // Larger documents are refused before parsing; a calibration of 64
    // sensors with 1000 points each stays below it.
    static constexpr std::size_t maxDocumentSize = 4 * 1024 * 1024;
    // Deeper documents are refused before parsing (the parser recurses per
    // level); the calibration file has 5 levels.
    static constexpr std::size_t maxNestingDepth = 256;

    // `bytes`, when given, receives the text as it was read.
    static xelement_ptr fromFile(const std::string& path, std::string* bytes = nullptr);
    static xelement_ptr fromString(const std::string& text);
    static xelement_ptr create(const std::string& name);

    std::string getName() const { return name; }
    const std::string& getText() const { return text; }

    bool hasAttribute(const std::string& name) const;
    std::string getAttribute(const std::string& name, const std::string& defaultValue) const;
    std::int32_t getAttributeInt(const std::string& name, std::int32_t defaultValue) const;
    double getAttributeDouble(const std::string& name, double defaultValue) const;
    const std::map<std::string, std::string>& attributes() const { return attributeValues; }

    bool hasChild(const std::string& name) const;
    std::vector<xelement_ptr> getChildren(const std::string& name) const;
    const std::vector<xelement_ptr>& children() const { return childElements; }

    void setText(const std::string& value) { text = value; }
    void setAttribute(const std::string& name, const std::string& value);
    void setAttribute(const std::string& name, const char* value) { setAttribute(name, std::string(value)); }
    void setAttribute(const std::string& name, std::int32_t value);
    void setAttribute(const std::string& name, float value);
    xelement_ptr addChild(const std::string& name);

    // The printed document: declaration, then this element as root.
    std::string toString() const;
    // Replaces the file at path with toString() in one step (see AtomicFile).
    void save(const std::string& path) const;

private:
    explicit xelement(const std::string& name);

    std::string name;
    std::string text;
    std::map<std::string, std::string> attributeValues; // ordered by name bytes
    std::vector<xelement_ptr> childElements;
};

// Throws std::runtime_error "Element '<element>' has no attribute '<name>'."
// when the element lacks the attribute.
void requireAttribute(const xelement& element, const std::string& name);
