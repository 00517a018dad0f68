// The configuration file named by KIVRATOLM_EMULATOR: what a good file sets
// up, and that a wrong one is reported by every function instead of ignored.
#include "DocBlocks.h"
#include "EmulatorTestSupport.h"

#include <QtTest>

#include <QTemporaryDir>

using namespace EmulatorTest;
using namespace KivraTolmEmulator;

class EmulatorSetupTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeFile(const QByteArray& text) {
        const QString path = dir.filePath("emulator.ini");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(text);
        return path;
    }

    void useFile(const QString& path) {
        qputenv("KIVRATOLM_EMULATOR", path.toLocal8Bit());
        reset();
    }

private slots:
    void cleanup() {
        qunsetenv("KIVRATOLM_EMULATOR");
        reset();
    }

    void noFileGivesOneDefaultBoard() {
        useFile({});
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, kivraTolmType), 0);
        QCOMPARE(count, 1);
        char identifier[KIVRATOLM_TEXT_SIZE];
        char details[KIVRATOLM_TEXT_SIZE];
        std::uint32_t typeId = 0;
        QCOMPARE(KivraTolmGetIdentifier(0, identifier, &typeId, details), 0);
        QCOMPARE(std::string(identifier), std::string("KT-EMU-0001"));
        QCOMPARE(typeId, kivraTolmType);
    }

    void goodFile() {
        const QString path = writeFile("; two boards and a fault\n"
                                       "[emulator]\n"
                                       "boards=2\n"
                                       "[board0]\n"
                                       "identifier = KT-FILE-A\n"
                                       "details = first from file\n"
                                       "analog=2\n"
                                       "sensors=16\n"
                                       "ports=8,4,2\n"
                                       "counters=0\n"
                                       "triggers=2\n"
                                       "framesPerRead=10\n"
                                       "buffer=500\n"
                                       "pattern=walking-one\n"
                                       "seed=7\n"
                                       "pulsePeriodMs=250\n"
                                       "[board0.names]\n"
                                       "0x7D401100=Pressure\n"
                                       "[board1]\n"
                                       "type=0x7D4035A0\n"
                                       "pattern=constant\n"
                                       "constant=0.5\n"
                                       "[fault0]\n"
                                       "function=SetColumnSensitivity\n"
                                       "status=7\n"
                                       "message=column refused\n"
                                       "after=1\n"
                                       "times=1\n");
        useFile(path);
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, 0x7D400000), 0);
        QCOMPARE(count, 2);

        const std::int32_t first = openBoard("KT-FILE-A");
        QVERIFY(first > 0);
        const std::vector<std::int32_t> expected = {2, 0, 16, 3, 0, 2, 10};
        for (std::int32_t number = 0; number <= 6; ++number) {
            std::int32_t value = -1;
            QCOMPARE(KivraTolmGetDeviceParameter(first, number, &value), 0);
            QCOMPARE(value, expected[static_cast<std::size_t>(number)]);
        }
        char name[KIVRATOLM_TEXT_SIZE];
        QCOMPARE(KivraTolmGetPeripheralName(first, analog0, name), 0);
        QCOMPARE(std::string(name), std::string("Pressure"));

        // Walking one over 16 sensors, read 10 frames at a time.
        BoardConfig layout;
        layout.analogInputs = 2;
        layout.sensorInputs = 16;
        layout.digitalPortLines = {8, 4, 2};
        layout.counters = 0;
        layout.triggers = 2;
        layout.framesPerRead = 10;
        QCOMPARE(start(first, 100), 0);
        QTRY_VERIFY_WITH_TIMEOUT(boardState(0).framesProduced >= 10, 2000);
        const Frames frames = readFrames(first, layout);
        QCOMPARE(frames.status, 0);
        QCOMPARE(frames.count, 10);
        for (int n = 0; n < frames.count; ++n) {
            for (int i = 0; i < 16; ++i)
                QCOMPARE(frames.value(n, 2 + i), i == n ? 2.5f : 0.0f);
        }

        // The second board: defaults besides what the file sets.
        const std::int32_t second = openBoard("KT-EMU-0002");
        QVERIFY(second > 0);
        QCOMPARE(KivraTolmSetColumnSensitivity(second, 0, 31), 0);
        QCOMPARE(KivraTolmSetColumnSensitivity(second, 0, 31), 7);
        QCOMPARE(errorText(7), std::string("column refused"));
        QCOMPARE(KivraTolmSetColumnSensitivity(second, 0, 31), 0);
    }

    void zeroBoards() {
        useFile(writeFile("[emulator]\nboards=0\n"));
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, 0x7D400000), 0);
        QCOMPARE(count, 0);
    }

    // A comment after a value, as the examples write it; ";" and "#" inside
    // a value stay.
    void commentAfterAValue_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("details");
        QTest::newRow("semicolon") << QByteArray("details = a board ; a comment") << "a board";
        QTest::newRow("hash after a tab") << QByteArray("details = a board\t# a comment") << "a board";
        QTest::newRow("hash inside") << QByteArray("details = board#2") << "board#2";
        QTest::newRow("semicolon inside") << QByteArray("details = a;b") << "a;b";
    }
    void commentAfterAValue() {
        QFETCH(QByteArray, line);
        QFETCH(QString, details);
        useFile(writeFile("[board0]\n" + line + "\n"));
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, kivraTolmType), 0);
        char identifier[KIVRATOLM_TEXT_SIZE];
        char text[KIVRATOLM_TEXT_SIZE];
        std::uint32_t typeId = 0;
        QCOMPARE(KivraTolmGetIdentifier(0, identifier, &typeId, text), 0);
        QCOMPARE(QString::fromUtf8(text), details);
    }

    // The configuration files of the emulator's README and of the user
    // guide, as they stand there: every board as described, and the fault
    // they end with.
    void documentedFiles_data() {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QStringList>("identifiers");
        QTest::newRow("emulator README") << "emulator/README.md" << QStringList{"KT-EMU-0001", "KT-EMU-0002"};
        QTest::newRow("user guide") << "docs/USER_GUIDE.md" << QStringList{"KT-EMU-0001"};
    }
    void documentedFiles() {
        QFETCH(QString, markdown);
        QFETCH(QStringList, identifiers);
        const QStringList blocks = fencedBlocks(QStringLiteral(KIVRA_SOURCE_DIR "/") + markdown, "ini");
        QCOMPARE(blocks.size(), 1);
        useFile(writeFile(blocks.first().toUtf8()));
        std::int32_t count = -1;
        const std::int32_t status = KivraTolmBeginEnumerate(&count, kivraTolmType);
        QVERIFY2(status == 0, errorText(status).c_str());
        QCOMPARE(count, static_cast<std::int32_t>(identifiers.size()));
        for (int index = 0; index < identifiers.size(); ++index) {
            char identifier[KIVRATOLM_TEXT_SIZE];
            char details[KIVRATOLM_TEXT_SIZE];
            std::uint32_t typeId = 0;
            QCOMPARE(KivraTolmGetIdentifier(index, identifier, &typeId, details), 0);
            QCOMPARE(QString::fromUtf8(identifier), identifiers[index]);
            QCOMPARE(QString::fromUtf8(details), QString("KivraTolm emulated board"));
        }
        std::int32_t handle = 0;
        QCOMPARE(KivraTolmOpen("KT-EMU-0001", &handle), 7);
        QCOMPARE(errorText(7), std::string("Board unplugged"));
    }

    void badFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unknown key") << QByteArray("[board0]\nsensorz=64\n") << "[board0] sensorz: unknown key";
        QTest::newRow("not a number") << QByteArray("[board0]\nanalog=four\n") << "\"four\" is not a whole number";
        QTest::newRow("number with junk") << QByteArray("[board0]\nanalog=4x\n") << "is not a whole number";
        QTest::newRow("bad float") << QByteArray("[board0]\nconstant=1,5\n") << "is not a number";
        QTest::newRow("unknown pattern") << QByteArray("[board0]\npattern=zigzag\n") << "unknown pattern \"zigzag\"";
        QTest::newRow("unknown section") << QByteArray("[boards]\nx=1\n") << "[boards]: unknown section";
        QTest::newRow("board beyond count")
            << QByteArray("[emulator]\nboards=1\n[board1]\nanalog=2\n") << "there are only 1 boards";
        QTest::newRow("key outside section") << QByteArray("boards=2\n") << "outside every section";
        QTest::newRow("same identifier") << QByteArray("[board0]\nidentifier=X\n[board1]\nidentifier=X\n")
                                         << "used twice";
        QTest::newRow("too many sensors") << QByteArray("[board0]\nsensors=300\n") << "sensor inputs must be";
        QTest::newRow("no frames per read") << QByteArray("[board0]\nframesPerRead=0\n") << "framesPerRead";
        QTest::newRow("bad port list") << QByteArray("[board0]\nports=8,,4\n") << "[board0] ports";
        QTest::newRow("name of a missing input") << QByteArray("[board0.names]\n0x7D401104=X\n") << "0x7D401104";
        QTest::newRow("fault of no function") << QByteArray("[fault0]\nfunction=Explode\n") << "\"Explode\"";
        QTest::newRow("fault without status") << QByteArray("[fault0]\nfunction=Open\nstatus=0\n") << "non-zero status";
        QTest::newRow("syntax") << QByteArray("[board0\n") << "line 1";
    }

    void badFile() {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        const QString path = writeFile(text);
        useFile(path);
        std::int32_t count = -1;
        const std::int32_t status = KivraTolmBeginEnumerate(&count, 0x7D400000);
        QVERIFY(status != 0);
        const QString message = QString::fromStdString(errorText(status));
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(problem), qPrintable(message));
        // Every function says so, not just the first.
        std::int32_t handle = 0;
        QCOMPARE(KivraTolmOpen("KT-EMU-0001", &handle), status);
        QCOMPARE(handle, -1);
        // Boards set by a test take over from the broken file.
        setBoards({BoardConfig{}});
        QCOMPARE(KivraTolmBeginEnumerate(&count, 0x7D400000), 0);
        QCOMPARE(count, 1);
    }

    void missingFile() {
        const QString path = dir.filePath("does-not-exist.ini");
        useFile(path);
        std::int32_t count = -1;
        const std::int32_t status = KivraTolmBeginEnumerate(&count, 0x7D400000);
        QVERIFY(status != 0);
        QVERIFY(QString::fromStdString(errorText(status)).contains(path));
    }
};

QTEST_GUILESS_MAIN(EmulatorSetupTest)
#include "tst_emulatorsetup.moc"
