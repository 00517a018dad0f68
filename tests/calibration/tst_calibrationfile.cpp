#include "AtomicFile.h"
#include "CalibrationData.h"
#include "CalibrationFileError.h"
#include "xelement.h"

#include <QtTest>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <locale>
#include <stdexcept>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// The reference calibration for "nothing may change" checks.
CalibrationData sample(bool modified) {
    CalibrationData data;
    data.addPoint(1, 2, {3, 4});
    data.setUnit("before");
    data.setSensitivity(5, 9);
    data.setModified(modified);
    return data;
}

CalibrationData rich() {
    CalibrationData data;
    data.setUnit("k&N <x> \xc2\xb0"
                 "C");
    SensorMask mask = {};
    mask[5 * 8 + 0] = true;
    mask[0 * 8 + 1] = true;
    mask[7 * 8 + 7] = true;
    data.setMode(SensorMode::Custom, mask);
    data.setSensitivity(0, 5);
    data.setSensitivity(3, 63);
    data.setSensitivity(7, -1);
    data.addPoint(0, 0, {0, 0});
    data.addPoint(0, 0, {10, 100});
    data.addPoint(0, 0, {20, 150});
    data.addPoint(3, 7, {-2.5f, 4});
    data.addPoint(3, 7, {1e6f, -3.25f});
    data.addPoint(7, 1, {0.125f, -12});
    return data;
}

// A calibration document with the given root attributes and content.
QByteArray document(const QByteArray& rootAttributes, const QByteArray& content) {
    return "<?xml version=\"1.0\" ?>\n<calibration " + rootAttributes + ">" + content + "</calibration>\n";
}

QByteArray withContent(const QByteArray& content) {
    return document("enableMode=\"0\" unit=\"\"", content);
}

QByteArray withColumns(const QByteArray& columns) {
    return withContent("<customSelected/><columns>" + columns + "</columns>");
}

QByteArray withPoint(const QByteArray& pointAttributes) {
    return withColumns("<column sensitivity=\"1\"><row><point " + pointAttributes + "/></row></column>");
}

// Decimal comma and digit grouping, as a German user's locale has them.
struct GermanNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

std::size_t writeHalfThenDiskFull(const void* data, std::size_t size, std::size_t count, std::FILE* file) {
    const std::size_t half = size * count / 2;
    std::fwrite(data, 1, half, file);
    errno = ENOSPC;
    return half;
}

} // namespace

class TestCalibrationFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clearedCalibrationLayout();
    void richCalibrationRoundTrip();
    void readerMessages_data();
    void readerMessages();
    void lenientIntegers_data();
    void lenientIntegers();
    void lenientSelection();
    void lenientPoints_data();
    void lenientPoints();
    void partialFileLoads();
    void pointsKeepFileOrder();
    void unknownContentIsIgnored();
    void escapedUnitReadsBack();
    void lineEndingsAndByteOrderMark();
    void readsInTheCLocale();
    void saveReplacesTheWholeFile();
    void saveKeepsPermissions();
    void saveThroughSymbolicLink();
    void saveRefusesInvalidModeBeforeWriting();
    void saveToUnopenableTarget_data();
    void saveToUnopenableTarget();
    void saveOnFullDiskKeepsTheOldFile();
    void saveUnderFileSizeLimitKeepsTheOldFile_data();
    void saveUnderFileSizeLimitKeepsTheOldFile();
    void corpusFilesLoadOrFailCleanly();

private:
    QString path(const QString& name) const { return folder->filePath(name); }
    QStringList folderEntries() const {
        return QDir(folder->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

    std::unique_ptr<QTemporaryDir> folder;
};

void TestCalibrationFile::init() {
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestCalibrationFile::cleanup() {
    AtomicFile::setWriteFunction(nullptr);
    folder.reset();
}

void TestCalibrationFile::clearedCalibrationLayout() {
    CalibrationData data = rich();
    data.clear();
    data.save(path("cleared.tolmcal3").toStdString());
    QVERIFY(!data.isModified());

    std::string expected = "<?xml version=\"1.0\" ?>\n"
                           "<calibration enableMode=\"0\" unit=\"\">\n"
                           "  <customSelected />\n"
                           "  <columns>\n";
    for (int column = 0; column < 8; ++column) {
        expected += "    <column sensitivity=\"31\">\n";
        for (int row = 0; row < 8; ++row)
            expected += "      <row />\n";
        expected += "    </column>\n";
    }
    expected += "  </columns>\n"
                "</calibration>\n";
    QCOMPARE(readFile(path("cleared.tolmcal3")), expected);

    CalibrationData loaded = sample(true);
    loaded.load(path("cleared.tolmcal3").toStdString());
    QVERIFY(loaded == data);
}

void TestCalibrationFile::richCalibrationRoundTrip() {
    CalibrationData data = rich();
    data.save(path("rich.tolmcal3").toStdString());
    QVERIFY(!data.isModified());

    const QString text = QString::fromStdString(readFile(path("rich.tolmcal3")));
    QVERIFY(text.contains("<calibration enableMode=\"2\" unit=\"k&amp;N &lt;x&gt; \u00b0C\">\n"));
    QVERIFY(text.contains("  <customSelected>\n"
                          "    <selected column=\"0\" row=\"5\" />\n"
                          "    <selected column=\"1\" row=\"0\" />\n"
                          "    <selected column=\"7\" row=\"7\" />\n"
                          "  </customSelected>\n"));
    QVERIFY(text.contains("    <column sensitivity=\"63\">\n"));
    QVERIFY(text.contains("    <column sensitivity=\"-1\">\n"));
    QVERIFY(text.contains("      <row>\n"
                          "        <point x=\"-2.500000\" y=\"4.000000\" />\n"
                          "        <point x=\"1000000.000000\" y=\"-3.250000\" />\n"
                          "      </row>\n"));
    QVERIFY(text.contains("<point x=\"0.125000\" y=\"-12.000000\" />"));

    CalibrationData loaded = sample(true);
    loaded.load(path("rich.tolmcal3").toStdString());
    QVERIFY(!loaded.isModified());
    QVERIFY(loaded == data);
}

void TestCalibrationFile::readerMessages_data() {
    QTest::addColumn<QString>("kind"); // what stands at the path: file, none, pipe, folder
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("element"); // where the reader stopped
    QTest::addColumn<QString>("reason");  // the system's reason

    const QByteArray columnsOk = "<columns/>";
    const QString root = "/calibration";
    const QString selected = "/calibration/customSelected[1]/selected[1]";
    const QString column = "/calibration/columns[1]/column[1]";
    const QString point = column + "/row[1]/point[1]";
    const QString none;
    QTest::newRow("missing file") << "none" << QByteArray() << "Can't open file : " << none
                                  << "No such file or directory";
    // A named pipe without a writer would block open() for ever.
    QTest::newRow("named pipe") << "pipe" << QByteArray() << "Can't open file : " << none << "not a regular file";
    QTest::newRow("folder") << "folder" << QByteArray() << "Can't open file : " << none << "Is a directory";
    QTest::newRow("empty file") << "file" << QByteArray() << "No root element." << none << none;
    QTest::newRow("invalid root") << "file"
                                  << QByteArray("<Calibration enableMode=\"0\" unit=\"\"><customSelected/>"
                                                "<columns/></Calibration>")
                                  << "Invalid file structure (invalid root)."
                                  << "/Calibration" << none;
    QTest::newRow("no attributes") << "file" << document("", "") << "Element 'calibration' has no attribute 'unit'."
                                   << root << none;
    QTest::newRow("no unit") << "file" << document("enableMode=\"0\"", "")
                             << "Element 'calibration' has no attribute 'unit'." << root << none;
    QTest::newRow("no enableMode") << "file" << document("unit=\"\"", "")
                                   << "Element 'calibration' has no attribute 'enableMode'." << root << none;
    QTest::newRow("mode 3") << "file" << document("enableMode=\"3\" unit=\"\"", "") << "Invalid mode." << root << none;
    QTest::newRow("mode -1") << "file" << document("enableMode=\"-1\" unit=\"\"", "") << "Invalid mode." << root
                             << none;
    QTest::newRow("no customSelected") << "file" << withContent(columnsOk)
                                       << "Invalid file structure (customSelected missing)." << root << none;
    QTest::newRow("selected without column")
        << "file" << withContent("<customSelected><selected row=\"1\"/></customSelected>" + columnsOk)
        << "Element 'selected' has no attribute 'column'." << selected << none;
    QTest::newRow("selected without row")
        << "file" << withContent("<customSelected><selected column=\"1\"/></customSelected>" + columnsOk)
        << "Element 'selected' has no attribute 'row'." << selected << none;
    QTest::newRow("selected column 8")
        << "file" << withContent("<customSelected><selected column=\"8\" row=\"0\"/></customSelected>" + columnsOk)
        << "Invalid column in custom selection." << selected << none;
    QTest::newRow("selected row -1")
        << "file"
        << withContent("<customSelected><selected column=\"0\" row=\"0\"/><selected column=\"0\" row=\"-1\"/>"
                       "</customSelected>" +
                       columnsOk)
        << "Invalid row in custom selection."
        << "/calibration/customSelected[1]/selected[2]" << none;
    QTest::newRow("column checked before row")
        << "file" << withContent("<customSelected><selected column=\"-1\" row=\"9\"/></customSelected>" + columnsOk)
        << "Invalid column in custom selection." << selected << none;
    QTest::newRow("no columns") << "file"
                                << withContent("<customSelected><selected column=\"0\" row=\"0\"/></customSelected>")
                                << "Invalid file structure (columns missing)." << root << none;
    QTest::newRow("ninth column, even empty")
        << "file" << withColumns(QByteArray("<column sensitivity=\"1\"/>").repeated(8) + "<column/>")
        << "Invalid file structure (too many columns)."
        << "/calibration/columns[1]/column[9]" << none;
    QTest::newRow("column without sensitivity") << "file" << withColumns("<column><row/></column>")
                                                << "Element 'column' has no attribute 'sensitivity'." << column << none;
    QTest::newRow("ninth row before its points")
        << "file"
        << withColumns("<column sensitivity=\"1\">" + QByteArray("<row/>").repeated(8) + "<row><point/></row></column>")
        << "Invalid file structure (too many rows)." << column + "/row[9]" << none;
    QTest::newRow("point without x") << "file" << withPoint("y=\"1\"") << "Element 'point' has no attribute 'x'."
                                     << point << none;
    QTest::newRow("point without y") << "file" << withPoint("x=\"1\"") << "Element 'point' has no attribute 'y'."
                                     << point << none;
    QTest::newRow("both required before parsing")
        << "file" << withPoint("x=\"1e39\"") << "Element 'point' has no attribute 'y'." << point << none;
    QTest::newRow("x beyond float") << "file" << withPoint("x=\"1e39\" y=\"0\"")
                                    << "bad numeric conversion: positive overflow" << point << none;
    QTest::newRow("x infinite") << "file" << withPoint("x=\"inf\" y=\"0\"")
                                << "bad numeric conversion: positive overflow" << point << none;
    QTest::newRow("y below float") << "file" << withPoint("x=\"0\" y=\"-1e39\"")
                                   << "bad numeric conversion: negative overflow" << point << none;
    QTest::newRow("x before y") << "file" << withPoint("x=\"-1e39\" y=\"1e39\"")
                                << "bad numeric conversion: negative overflow" << point << none;
    // "nan" parses as a number and would show and log as "nan" everywhere.
    QTest::newRow("x not a number") << "file" << withPoint("x=\"nan\" y=\"0\"")
                                    << "Element 'point' has attribute 'x' = 'nan', which is not a number." << point
                                    << none;
    QTest::newRow("y not a number, second point")
        << "file"
        << withColumns("<column sensitivity=\"1\"><row/><row><point x=\"0\" y=\"0\"/><point x=\"1\" y=\" -NaN\"/>"
                       "</row></column>")
        << "Element 'point' has attribute 'y' = ' -NaN', which is not a number." << column + "/row[2]/point[2]" << none;
    QTest::newRow("not a number, quoted in part")
        << "file" << withPoint("x=\"nan" + QByteArray(100, 'x') + "\" y=\"0\"")
        << "Element 'point' has attribute 'x' = 'nan" + QString(37, 'x') + "...', which is not a number." << point
        << none;
    // A file cut short would otherwise load as a smaller calibration.
    QTest::newRow("cut short") << "file" << withPoint("x=\"0\" y=\"1\"").left(140) << "XML error" << none << none;
    QTest::newRow("nested too deeply") << "file" << withContent(QByteArray("<x>").repeated(300))
                                       << "Document nested too deeply." << none << none;
    QTest::newRow("too large") << "file" << QByteArray(int(xelement::maxDocumentSize) + 10, ' ')
                               << "File too large : " << none << none;
}

void TestCalibrationFile::readerMessages() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QString, element);
    QFETCH(QString, reason);

    const QString file = path("bad.tolmcal3");
    if (kind == "file")
        writeFile(file, content);
    else if (kind == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir(folder->path()).mkdir("bad.tolmcal3"));
    // Relative, as given on a command line: the details name the full path.
    QVERIFY(QDir::setCurrent(folder->path()));
    for (bool modified : {true, false}) {
        CalibrationData data = sample(modified);
        try {
            data.load("bad.tolmcal3");
            QFAIL("no exception");
        } catch (const CalibrationFileError& e) {
            QVERIFY2(QString(e.what()).startsWith(message), e.what());
            if (message.endsWith(": "))
                QCOMPARE(QString(e.what()), message + "bad.tolmcal3");
            QCOMPARE(QString::fromStdString(e.path()), file);
            QCOMPARE(QString::fromStdString(e.element()), element);
            QCOMPARE(QString::fromStdString(e.reason()), reason);
        }
        // A failed load changes nothing.
        QVERIFY(data == sample(modified));
    }
}

void TestCalibrationFile::lenientIntegers_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<QString>("mode"); // the mode read, or the message

    QTest::newRow("junk after digits") << QByteArray("7x") << 7 << "Invalid mode.";
    QTest::newRow("empty") << QByteArray("") << 31 << "0";
    QTest::newRow("no digits") << QByteArray("abc") << 31 << "0";
    QTest::newRow("white space") << QByteArray(" 1") << 1 << "1";
    QTest::newRow("fraction") << QByteArray("2.9") << 2 << "2";
    QTest::newRow("beyond int32") << QByteArray("99999999999") << 31 << "0";
    QTest::newRow("negative") << QByteArray("-40") << -40 << "Invalid mode.";
}

void TestCalibrationFile::lenientIntegers() {
    QFETCH(QByteArray, text);
    QFETCH(int, sensitivity);
    QFETCH(QString, mode);

    const QString file = path("lenient.tolmcal3");
    writeFile(file, withColumns("<column sensitivity=\"" + text + "\"/>"));
    CalibrationData data;
    data.load(file.toStdString());
    QCOMPARE(data.sensitivity(0), sensitivity);

    writeFile(file, document("enableMode=\"" + text + "\" unit=\"\"", "<customSelected/><columns/>"));
    try {
        data.load(file.toStdString());
        QCOMPARE(QString::number(int(data.enableMode())), mode);
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), mode);
    }
}

void TestCalibrationFile::lenientSelection() {
    writeFile(path("selection.tolmcal3"),
              withContent("<customSelected><selected column=\"1x\" row=\" 2\"/><selected column=\"\" row=\"abc\"/>"
                          "<selected column=\"1\" row=\"2\"/></customSelected><columns/>"));
    CalibrationData data;
    data.load(path("selection.tolmcal3").toStdString());
    SensorMask mask = {};
    mask[2 * 8 + 1] = true;
    mask[0] = true;
    QVERIFY(data.customSelected() == mask);
}

void TestCalibrationFile::lenientPoints_data() {
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<float>("intensity");

    QTest::newRow("junk after number") << QByteArray("2.5abc") << 2.5f;
    QTest::newRow("empty") << QByteArray("") << 0.0f;
    QTest::newRow("no number") << QByteArray("abc") << 0.0f;
    QTest::newRow("beyond double") << QByteArray("1e400") << 0.0f;
    QTest::newRow("exponent") << QByteArray("-1.5e2") << -150.0f;
    QTest::newRow("below six decimals") << QByteArray("1e-7") << 1e-7f;
    QTest::newRow("hex float") << QByteArray("0x1p-2") << 0.25f;
    QTest::newRow("largest float") << QByteArray("3.4028234663852886e38") << std::numeric_limits<float>::max();
    QTest::newRow("rounded to float") << QByteArray("0.1") << 0.1f;
}

void TestCalibrationFile::lenientPoints() {
    QFETCH(QByteArray, x);
    QFETCH(float, intensity);
    const QString file = path("points.tolmcal3");
    writeFile(file, withPoint("x=\"" + x + "\" y=\"" + x + "\""));
    CalibrationData data;
    data.load(file.toStdString());
    const CalibrationPoints expected{{intensity, intensity}};
    QVERIFY(data.points(0, 0) == expected);
}

void TestCalibrationFile::partialFileLoads() {
    QByteArray columns;
    for (int column = 0; column < 3; ++column) {
        columns += "<column sensitivity=\"" + QByteArray::number(column + 10) + "\">";
        for (int row = 0; row < 2; ++row)
            columns +=
                "<row><point x=\"" + QByteArray::number(column) + "\" y=\"" + QByteArray::number(row) + "\"/></row>";
        columns += "</column>";
    }
    writeFile(path("partial.tolmcal3"), withColumns(columns));
    CalibrationData data = sample(true);
    data.load(path("partial.tolmcal3").toStdString());

    for (int column = 0; column < 8; ++column) {
        QCOMPARE(data.sensitivity(column), column < 3 ? column + 10 : 31);
        for (int row = 0; row < 8; ++row) {
            const CalibrationPoints expected =
                column < 3 && row < 2 ? CalibrationPoints{{float(column), float(row)}} : CalibrationPoints{};
            QVERIFY(data.points(column, row) == expected);
        }
    }
    QCOMPARE(data.unit(), std::string());
}

void TestCalibrationFile::pointsKeepFileOrder() {
    writeFile(path("order.tolmcal3"),
              withColumns("<column sensitivity=\"1\"><row/><row><point x=\"5\" y=\"50\"/><point x=\"1\" y=\"10\"/>"
                          "<point x=\"3\" y=\"30\"/><point x=\"3\" y=\"-1\"/></row></column>"));
    CalibrationData data;
    data.load(path("order.tolmcal3").toStdString());
    const CalibrationPoints expected{{5, 50}, {1, 10}, {3, 30}, {3, -1}};
    QVERIFY(data.points(0, 1) == expected);
}

void TestCalibrationFile::unknownContentIsIgnored() {
    writeFile(path("extra.tolmcal3"),
              "<!-- written by hand -->\n"
              "<calibration version=\"9\" unit=\"V\" enableMode=\"1\">some text<note a=\"b\"/>"
              "<customSelected><other/><selected column=\"2\" row=\"3\" extra=\"x\"/>text</customSelected>"
              "<customSelected><selected column=\"99\" row=\"0\"/></customSelected>"
              "<columns><column sensitivity=\"4\"><row><point x=\"1\" y=\"2\" z=\"3\"/><pt/></row><cell/></column>"
              "<comment/></columns>"
              "<columns><column/><column/><column/><column/><column/><column/><column/><column/><column/></columns>"
              "</calibration>\n<!-- trailing -->\n");
    CalibrationData data;
    data.load(path("extra.tolmcal3").toStdString());
    QCOMPARE(data.unit(), std::string("V"));
    QCOMPARE(data.enableMode(), SensorMode::All);
    SensorMask mask = {};
    mask[3 * 8 + 2] = true;
    QVERIFY(data.customSelected() == mask);
    QCOMPARE(data.sensitivity(0), 4);
    QVERIFY(data.points(0, 0) == (CalibrationPoints{{1, 2}}));
}

void TestCalibrationFile::escapedUnitReadsBack() {
    writeFile(path("unit.tolmcal3"),
              document("enableMode=\"0\" unit=\"a&amp;b&lt;c&gt;&quot;&#176;\"", "<customSelected/><columns/>"));
    CalibrationData data;
    data.load(path("unit.tolmcal3").toStdString());
    QCOMPARE(data.unit(), std::string("a&b<c>\"\xc2\xb0"));

    data.save(path("unit.tolmcal3").toStdString());
    QVERIFY(
        QByteArray::fromStdString(readFile(path("unit.tolmcal3"))).contains("unit='a&amp;b&lt;c&gt;&quot;\xc2\xb0'"));
    CalibrationData again;
    again.load(path("unit.tolmcal3").toStdString());
    QCOMPARE(again.unit(), data.unit());
}

void TestCalibrationFile::lineEndingsAndByteOrderMark() {
    CalibrationData data = rich();
    data.save(path("lf.tolmcal3").toStdString());
    QByteArray crlf = QByteArray::fromStdString(readFile(path("lf.tolmcal3")));
    crlf.replace("\n", "\r\n");
    writeFile(path("crlf.tolmcal3"), crlf);
    writeFile(path("bom.tolmcal3"), "\xef\xbb\xbf" + crlf);

    for (const char* name : {"crlf.tolmcal3", "bom.tolmcal3"}) {
        CalibrationData loaded;
        loaded.load(path(name).toStdString());
        QVERIFY2(loaded == data, name);
    }
}

void TestCalibrationFile::readsInTheCLocale() {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new GermanNumbers));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        german = german || std::setlocale(LC_ALL, name) != nullptr;
    if (!german)
        qInfo("no German C locale installed; checking the C++ global locale only");

    writeFile(path("locale.tolmcal3"), withPoint("x=\"1.5\" y=\"1,5\""));
    CalibrationData data;
    data.load(path("locale.tolmcal3").toStdString());
    data.setSensitivity(1, 1234);
    data.save(path("locale.tolmcal3").toStdString());
    const std::string text = readFile(path("locale.tolmcal3"));

    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);

    QVERIFY(data.points(0, 0) == (CalibrationPoints{{1.5f, 1.0f}}));
    QVERIFY(text.find("<point x=\"1.500000\" y=\"1.000000\" />") != std::string::npos);
    QVERIFY(text.find("sensitivity=\"1234\"") != std::string::npos);
}

void TestCalibrationFile::saveReplacesTheWholeFile() {
    const QString file = path("replace.tolmcal3");
    writeFile(file, QByteArray(200000, 'x'));
    CalibrationData data = rich();
    data.save(file.toStdString());
    const std::string written = readFile(file);
    QCOMPARE(written.size(), std::size_t(QFileInfo(file).size()));
    QCOMPARE(written.substr(written.size() - 15), std::string("</calibration>\n"));
    QCOMPARE(folderEntries(), QStringList{"replace.tolmcal3"});
}

void TestCalibrationFile::saveKeepsPermissions() {
    const QString file = path("mode.tolmcal3");
    writeFile(file, "old");
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(file, permissions));
    CalibrationData data;
    data.save(file.toStdString());
    QCOMPARE(QFileInfo(file).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), permissions);
}

void TestCalibrationFile::saveThroughSymbolicLink() {
    QVERIFY(QDir(folder->path()).mkdir("real"));
    writeFile(path("real/target.tolmcal3"), "old");
    QVERIFY(QFile::link(path("real/target.tolmcal3"), path("link.tolmcal3")));
    CalibrationData data = rich();
    data.save(path("link.tolmcal3").toStdString());
    QVERIFY(QFileInfo(path("link.tolmcal3")).isSymLink());
    CalibrationData loaded;
    loaded.load(path("real/target.tolmcal3").toStdString());
    QVERIFY(loaded == data);
    QCOMPARE(QDir(path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"target.tolmcal3"});
}

void TestCalibrationFile::saveRefusesInvalidModeBeforeWriting() {
    const QString file = path("mode.tolmcal3");
    writeFile(file, "old content");
    CalibrationData data;
    data.setMode(static_cast<SensorMode>(5), SensorMask{});
    try {
        data.save(file.toStdString());
        QFAIL("no exception");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), QString("Invalid mode."));
    }
    QCOMPARE(readFile(file), std::string("old content"));
    QVERIFY(data.isModified());
    QCOMPARE(folderEntries(), QStringList{"mode.tolmcal3"});
}

void TestCalibrationFile::saveToUnopenableTarget_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    // Tests may run as root, where permissions do not bite: these fail for
    // everyone.
    QTest::newRow("folder is a regular file") << "plain/inside.tolmcal3"
                                              << "Not a directory";
    QTest::newRow("missing folder") << "missing/inside.tolmcal3"
                                    << "No such file or directory";
    QTest::newRow("target is a folder") << "folder"
                                        << "Is a directory";
    QTest::newRow("target is a pipe") << "pipe"
                                      << "not a regular file";
    QTest::newRow("empty path") << ""
                                << "No such file or directory";
}

void TestCalibrationFile::saveToUnopenableTarget() {
    QFETCH(QString, target);
    QFETCH(QString, reason);
    writeFile(path("plain"), "I am a file");
    QVERIFY(QDir(folder->path()).mkdir("folder"));
    QCOMPARE(::mkfifo(path("pipe").toLocal8Bit().constData(), 0600), 0);
    const std::string file = target.isEmpty() ? std::string() : path(target).toStdString();

    CalibrationData data = rich();
    try {
        data.save(file);
        QFAIL("no exception");
    } catch (const CalibrationFileError& e) {
        QCOMPARE(std::string(e.what()), "Can't open file : " + file);
        QCOMPARE(e.path(), file);
        QCOMPARE(QString::fromStdString(e.reason()), reason);
    }
    QVERIFY(data.isModified());
    QCOMPARE(readFile(path("plain")), std::string("I am a file"));
    QVERIFY(QFileInfo(path("folder")).isDir());
    QVERIFY(!QFileInfo(path("pipe")).isFile());
    QCOMPARE(folderEntries(), (QStringList{"folder", "pipe", "plain"}));
}

void TestCalibrationFile::saveOnFullDiskKeepsTheOldFile() {
    const QString file = path("full.tolmcal3");
    CalibrationData old = rich();
    old.save(file.toStdString());
    const std::string before = readFile(file);

    CalibrationData data;
    data.setUnit("new");
    AtomicFile::setWriteFunction(writeHalfThenDiskFull);
    try {
        data.save(file.toStdString());
        QFAIL("no exception");
    } catch (const CalibrationFileError& e) {
        QCOMPARE(std::string(e.what()), "Can't write file : " + file.toStdString());
        QCOMPARE(QString::fromStdString(e.reason()), QString("No space left on device"));
    }
    QCOMPARE(readFile(file), before);
    QVERIFY(data.isModified());
    // No temporary file left behind.
    QCOMPARE(folderEntries(), QStringList{"full.tolmcal3"});

    AtomicFile::setWriteFunction(nullptr);
    data.save(file.toStdString());
    QVERIFY(!data.isModified());
    CalibrationData loaded;
    loaded.load(file.toStdString());
    QCOMPARE(loaded.unit(), std::string("new"));
}

void TestCalibrationFile::saveUnderFileSizeLimitKeepsTheOldFile_data() {
    QTest::addColumn<int>("limitBytes");
    QTest::newRow("nothing fits") << 0;
    QTest::newRow("the declaration fits") << 60;
    QTest::newRow("a page fits") << 4096;
    QTest::newRow("all but the last byte fits") << -1;
}

// A real short write from the kernel: the save runs in a child whose file
// size limit cuts the temporary file (SIGXFSZ ignored, so write() reports it).
void TestCalibrationFile::saveUnderFileSizeLimitKeepsTheOldFile() {
    QFETCH(int, limitBytes);
    const QString file = path("limited.tolmcal3");
    rich().save(file.toStdString());
    const std::string before = readFile(file);

    CalibrationData larger = rich();
    larger.setUnit("newton");
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            for (int i = 1; i <= 8; ++i)
                larger.addPoint(column, row, CalibrationPoint{100.0f * static_cast<float>(i), static_cast<float>(i)});
    larger.save(path("reference.tolmcal3").toStdString());
    const qint64 newSize = QFileInfo(path("reference.tolmcal3")).size();
    QVERIFY(QFile::remove(path("reference.tolmcal3")));
    QVERIFY(newSize > 4096 && newSize > qint64(before.size()));
    const rlim_t limit = static_cast<rlim_t>(limitBytes < 0 ? newSize - 1 : limitBytes);

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit fileSize{};
        getrlimit(RLIMIT_FSIZE, &fileSize);
        fileSize.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &fileSize);
        try {
            larger.save(file.toStdString());
        } catch (const std::exception& e) {
            _exit(std::string(e.what()) == "Can't write file : " + file.toStdString() ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QVERIFY2(WEXITSTATUS(status) != 1, "the save reported success under the limit");
    QCOMPARE(WEXITSTATUS(status), 0);

    // The old file whole and loadable, no temporary file left.
    QCOMPARE(readFile(file), before);
    CalibrationData loaded;
    loaded.load(file.toStdString());
    QCOMPARE(loaded.unit(), rich().unit());
    QCOMPARE(folderEntries(), QStringList{"limited.tolmcal3"});
}

void TestCalibrationFile::corpusFilesLoadOrFailCleanly() {
    const QDir corpus(QStringLiteral(FUZZ_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files);
    QVERIFY(files.size() >= 8);
    int loaded = 0;
    for (const QString& name : files) {
        CalibrationData data;
        try {
            data.load(corpus.filePath(name).toStdString());
            ++loaded;
            data.save(path("resaved.tolmcal3").toStdString());
            CalibrationData again;
            again.load(path("resaved.tolmcal3").toStdString());
        } catch (const std::exception& e) {
            QVERIFY2(!QString(e.what()).isEmpty(), qPrintable(name));
        }
    }
    QVERIFY(loaded >= 5);
}

QTEST_APPLESS_MAIN(TestCalibrationFile)
#include "tst_calibrationfile.moc"
