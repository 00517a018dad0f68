#include "NumberText.h"
#include "TinyXmlDepth.h"
#include "xelement.h"
#include "xml_error.h"

#include <QtTest>

#include <tinyxml.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

std::size_t elementDepth(const TiXmlNode* node) {
    std::size_t deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, elementDepth(child));
    return deepest + (node->ToElement() ? 1 : 0);
}

std::string nested(const std::string& open, const std::string& close, int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += open;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

QString messageOf(const std::string& text) {
    try {
        xelement::fromString(text);
    } catch (const xml_error& e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

} // namespace

class TestXElement : public QObject {
    Q_OBJECT

private slots:
    void getAttributeInt_data();
    void getAttributeInt();
    void getAttributeDouble_data();
    void getAttributeDouble();
    void formatsNumbers();
    void narrowToFloat();
    void getChildrenKeepsDocumentOrder();
    void keepsTheLastTextNode();
    void printsAttributesInByteOrder();
    void printedValuesReadBackUnchanged_data();
    void printedValuesReadBackUnchanged();
    void refusedDocuments_data();
    void refusedDocuments();
    void nestingGuardFollowsTinyXml_data();
    void nestingGuardFollowsTinyXml();
    void nestingGuardMatchesTinyXmlOnRandomText();
    void fromFileOpenFailures();
    void requireAttribute();
};

void TestXElement::getAttributeInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("digits then junk") << " 42abc" << 42;
    QTest::newRow("no digits") << "abc" << -5;
    QTest::newRow("empty") << "" << -5;
    QTest::newRow("too large") << "99999999999" << -5;
    QTest::newRow("one above int32") << "2147483648" << -5;
    QTest::newRow("int32 max") << "2147483647" << 2147483647;
    QTest::newRow("int32 min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("one below int32") << "-2147483649" << -5;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("two signs") << "+-7" << -5;
    QTest::newRow("sign alone") << "-" << -5;
    QTest::newRow("all C white space") << "\t\n\v\f\r 5" << 5;
    QTest::newRow("hex prefix reads the 0") << "0x10" << 0;
    QTest::newRow("trailing x") << "7x" << 7;
    QTest::newRow("decimal point stops") << "3.9" << 3;
    QTest::newRow("space after sign") << "- 3" << -5;
}

void TestXElement::getAttributeInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    const xelement_ptr element = xelement::create("e");
    element->setAttribute("v", text.toStdString());
    QCOMPARE(element->getAttributeInt("v", -5), expected);
    QCOMPARE(element->getAttributeInt("missing", -5), -5);
}

void TestXElement::getAttributeDouble_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("exponent") << "1.5e2" << 150.0;
    QTest::newRow("no number") << "x" << -7.0;
    QTest::newRow("empty") << "" << -7.0;
    QTest::newRow("white space and sign") << " \t-2.5" << -2.5;
    QTest::newRow("plus sign") << "+.5e1" << 5.0;
    QTest::newRow("out of double range") << "1e400" << -7.0;
    QTest::newRow("beyond float range stays") << "1e39" << 1e39;
    QTest::newRow("hex float") << "0x1p3" << 8.0;
    QTest::newRow("hex prefix without digits") << "0xg" << 0.0;
    QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
    QTest::newRow("incomplete exponent") << "1e" << 1.0;
    QTest::newRow("leading point") << ".25" << 0.25;
    QTest::newRow("trailing junk") << "2.5abc" << 2.5;
    QTest::newRow("infinity") << "-inf" << -std::numeric_limits<double>::infinity();
    QTest::newRow("two signs") << "-+1" << -7.0;
}

void TestXElement::getAttributeDouble() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const xelement_ptr element = xelement::create("e");
    element->setAttribute("v", text.toStdString());
    QCOMPARE(element->getAttributeDouble("v", -7.0), expected);
    QCOMPARE(element->getAttributeDouble("missing", -7.0), -7.0);
}

void TestXElement::formatsNumbers() {
    QCOMPARE(formatFixed6(0.5), std::string("0.500000"));
    QCOMPARE(formatFixed6(-12.0), std::string("-12.000000"));
    QCOMPARE(formatFixed6(double(0.0000004f)), std::string("0.000000"));
    QCOMPARE(formatFixed6(double(1.1f)), std::string("1.100000"));
    QCOMPARE(formatFixed6(double(std::numeric_limits<float>::max())),
             std::string("340282346638528859811704183484516925440.000000"));
    QCOMPARE(formatInt32(-31), std::string("-31"));
    QCOMPARE(formatInt32(std::numeric_limits<std::int32_t>::min()), std::string("-2147483648"));
}

void TestXElement::narrowToFloat() {
    QCOMPARE(::narrowToFloat(0.1), 0.1f);
    QCOMPARE(::narrowToFloat(3.4028234663852886e38), std::numeric_limits<float>::max());
    QCOMPARE(::narrowToFloat(-3.4028234663852886e38), std::numeric_limits<float>::lowest());
    QVERIFY(std::isnan(::narrowToFloat(std::nan(""))));
    const std::pair<double, const char*> overflows[] = {
        {1e39, "bad numeric conversion: positive overflow"},
        {3.40282347e38, "bad numeric conversion: positive overflow"},
        {std::numeric_limits<double>::infinity(), "bad numeric conversion: positive overflow"},
        {-1e39, "bad numeric conversion: negative overflow"},
    };
    for (const auto& [value, message] : overflows) {
        try {
            ::narrowToFloat(value);
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString(message));
        }
    }
}

void TestXElement::getChildrenKeepsDocumentOrder() {
    const xelement_ptr root =
        xelement::fromString("<r><a n=\"1\"/><b/><a n=\"2\"><a n=\"inner\"/></a>text<A n=\"case\"/><a n=\"3\"/></r>");
    const std::vector<xelement_ptr> as = root->getChildren("a");
    QCOMPARE(as.size(), std::size_t(3));
    QCOMPARE(as[0]->getAttribute("n", ""), std::string("1"));
    QCOMPARE(as[1]->getAttribute("n", ""), std::string("2"));
    QCOMPARE(as[2]->getAttribute("n", ""), std::string("3"));
    QVERIFY(root->hasChild("b"));
    QVERIFY(!root->hasChild("c"));
    QVERIFY(root->getChildren("c").empty());
    QCOMPARE(root->children().size(), std::size_t(5));
}

void TestXElement::keepsTheLastTextNode() {
    const xelement_ptr root = xelement::fromString("<r>first<child/>second<!-- note --></r>");
    QCOMPARE(root->getText(), std::string("second"));
    QCOMPARE(root->getChildren("child").front()->getText(), std::string());
}

void TestXElement::printsAttributesInByteOrder() {
    const xelement_ptr root = xelement::create("a");
    root->setAttribute("b", "1");
    root->setAttribute("a", "2");
    root->setAttribute("B", "3");
    QCOMPARE(root->toString(), std::string("<?xml version=\"1.0\" ?>\n<a B=\"3\" a=\"2\" b=\"1\" />\n"));

    root->setAttribute("b", "replaced");
    const xelement_ptr child = root->addChild("c");
    child->addChild("d")->setText("t");
    QCOMPARE(root->toString(), std::string("<?xml version=\"1.0\" ?>\n"
                                           "<a B=\"3\" a=\"2\" b=\"replaced\">\n"
                                           "  <c>\n"
                                           "    <d>t</d>\n"
                                           "  </c>\n"
                                           "</a>\n"));
}

void TestXElement::printedValuesReadBackUnchanged_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("readBack");

    QTest::newRow("markup characters") << QByteArray("a&b<c>d\"e'f") << QByteArray("a&b<c>d\"e'f");
    QTest::newRow("UTF-8") << QByteArray("\xc2\xb5m \xc2\xb0"
                                         "C")
                           << QByteArray("\xc2\xb5m \xc2\xb0"
                                         "C");
    QTest::newRow("reference look-alike") << QByteArray("&#x41;") << QByteArray("&#x41;");
    QTest::newRow("unterminated reference look-alike") << QByteArray("&#x\" z") << QByteArray("&#x\" z");
    QTest::newRow("control characters") << QByteArray("a\tb\rc\nd") << QByteArray("a\tb\rc\nd");
    // Not UTF-8: taken as Latin-1 so that it cannot swallow the closing quote.
    QTest::newRow("Latin-1 byte") << QByteArray("\xe9") << QByteArray("\xc3\xa9");
    QTest::newRow("cut UTF-8 sequence") << QByteArray("x\xe2\x82") << QByteArray("x\xc3\xa2\xc2\x82");
}

void TestXElement::printedValuesReadBackUnchanged() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, readBack);
    const xelement_ptr root = xelement::create("r");
    root->setAttribute("v", value.toStdString());
    root->addChild("t")->setText(value.toStdString());
    const xelement_ptr back = xelement::fromString(root->toString());
    QCOMPARE(QByteArray::fromStdString(back->getAttribute("v", "")), readBack);
    QCOMPARE(QByteArray::fromStdString(back->getChildren("t").front()->getText()), readBack.trimmed());
}

void TestXElement::refusedDocuments_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QByteArray() << "No root element.";
    QTest::newRow("white space") << QByteArray(" \n\t") << "No root element.";
    QTest::newRow("declaration only") << QByteArray("<?xml version=\"1.0\" ?>\n") << "No root element.";
    QTest::newRow("comment only") << QByteArray("<!-- x -->") << "No root element.";
    QTest::newRow("text only") << QByteArray("calibration") << "No root element.";
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe<\0a\0/\0>\0", 10) << "No root element.";
    QTest::newRow("NUL before the root") << QByteArray("\0<a/>", 5) << "No root element.";
    QTest::newRow("cut short") << QByteArray("<a><b x=\"1\"/><b") << "XML error";
    QTest::newRow("wrong end tag") << QByteArray("<a>\n<b></c></a>") << "XML error at line 2";
    QTest::newRow("duplicate attribute") << QByteArray("<a x=\"1\" x=\"2\"/>") << "XML error";
    QTest::newRow("too large") << QByteArray(int(xelement::maxDocumentSize) + 1, ' ') << "Document too large.";
    QTest::newRow("too deep") << QByteArray::fromStdString(nested("<a>", "</a>", 257)) << "Document nested too deeply.";
    QTest::newRow("far too deep") << QByteArray::fromStdString(nested("<a>", "", 1000000))
                                  << "Document nested too deeply.";
}

void TestXElement::refusedDocuments() {
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QVERIFY2(messageOf(text.toStdString()).startsWith(message), qPrintable(messageOf(text.toStdString())));
}

void TestXElement::nestingGuardFollowsTinyXml_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("refused");

    const QByteArray bom("\xef\xbb\xbf");
    auto deep = [](const char* open, const char* close, int depth) {
        return QByteArray::fromStdString(nested(open, close, depth));
    };
    QTest::newRow("at the limit") << deep("<a>", "</a>", 256) << false;
    QTest::newRow("siblings are no nesting") << deep("<a/>", "", 5000).prepend("<r>").append("</r>") << false;
    QTest::newRow("inside a comment") << deep("<a>", "", 5000).prepend("<r><!--").append("--></r>") << false;
    QTest::newRow("inside CDATA") << deep("<a>", "", 5000).prepend("<r><![CDATA[").append("]]></r>") << false;
    QTest::newRow("inside an attribute") << deep("<a>", "", 5000).prepend("<r x=\"").append("\"/>") << false;
    // Each of these nests 5000 levels deep in TinyXML although a plain count
    // of tags would close every level at once.
    QTest::newRow("empty-tag marks in attributes") << deep("<a x=\"/>\">", "", 5000) << true;
    QTest::newRow("empty-tag marks in text") << deep("<a>/>", "", 5000) << true;
    QTest::newRow("UTF-8 lead byte swallows end tags") << deep("<a>\xe0</>", "", 5000).prepend(bom) << true;
    QTest::newRow("reference swallows end tags") << deep("<a>&#x</a>x;", "", 5000) << true;
    QTest::newRow("declaration quotes hide end tags") << deep("<a><?xml version=\"</a>\"?>", "", 5000) << true;
    QTest::newRow("declaration quotes hide start tags")
        << deep("<a>", "", 5000).prepend("<r><?xml version=\"").append("\"?></r>") << false;
}

void TestXElement::nestingGuardFollowsTinyXml() {
    QFETCH(QByteArray, text);
    QFETCH(bool, refused);
    QCOMPARE(messageOf(text.toStdString()) == "Document nested too deeply.", refused);
}

void TestXElement::nestingGuardMatchesTinyXmlOnRandomText() {
    // Pieces that change how TinyXML reads what follows them.
    const char* const pieces[] = {"<a>",
                                  "</a>",
                                  "<b x=\"",
                                  "\"",
                                  "'",
                                  "/>",
                                  ">",
                                  "<",
                                  "</",
                                  "&#x",
                                  "&#",
                                  "x;",
                                  ";",
                                  "&amp;",
                                  "<!--",
                                  "-->",
                                  "<![CDATA[",
                                  "]]>",
                                  "<!D",
                                  "<?xml version=\"1.0\"",
                                  "<?xml version=",
                                  " encoding=\"",
                                  "UTF-8",
                                  "latin1",
                                  "?>",
                                  "\xef\xbb\xbf",
                                  "\xe0",
                                  "\xc3\xa9",
                                  " ",
                                  "\n",
                                  "=",
                                  "y=z",
                                  "text"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(1, 60);
    for (int run = 0; run < 20000; ++run) {
        std::string text;
        for (int i = length(random); i > 0; --i)
            text += pieces[pick(random)];
        text.append(8, '\0');
        const std::size_t scanned = tinyXmlDepth(text.data(), 1000);
        TiXmlDocument document;
        document.Parse(text.data());
        const std::size_t parsed = elementDepth(&document);
        // Never less; exactly as deep where TinyXML parsed without error.
        QVERIFY2(parsed <= scanned, text.c_str());
        if (!document.Error())
            QVERIFY2(parsed == scanned, text.c_str());
    }
}

void TestXElement::fromFileOpenFailures() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const std::string missing = folder.filePath("missing.xml").toStdString();
    const std::string directory = folder.path().toStdString();
    for (const std::string& path : {missing, directory}) {
        try {
            xelement::fromFile(path);
            QFAIL("no exception");
        } catch (const xml_error& e) {
            QCOMPARE(std::string(e.what()), "Can't open file : " + path);
        }
    }

    QFile large(folder.filePath("large.xml"));
    QVERIFY(large.open(QIODevice::WriteOnly));
    large.write("<a>");
    QVERIFY(large.resize(qint64(xelement::maxDocumentSize) + 1));
    large.close();
    try {
        xelement::fromFile(large.fileName().toStdString());
        QFAIL("no exception");
    } catch (const xml_error& e) {
        QCOMPARE(std::string(e.what()), "File too large : " + large.fileName().toStdString());
    }
}

void TestXElement::requireAttribute() {
    const xelement_ptr element = xelement::create("point");
    element->setAttribute("x", "");
    ::requireAttribute(*element, "x");
    try {
        ::requireAttribute(*element, "y");
        QFAIL("no exception");
    } catch (const xml_error&) {
        QFAIL("an XML layer error");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), QString("Element 'point' has no attribute 'y'."));
    }
}

QTEST_APPLESS_MAIN(TestXElement)
#include "tst_xelement.moc"
