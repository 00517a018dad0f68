// The emulator's C functions as calls: enumeration, names, handle checks,
// injected faults, the call record, buffer bounds and concurrent use.
#include "EmulatorTestSupport.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace EmulatorTest;
using namespace KivraTolmEmulator;

namespace {

constexpr std::size_t textSize = KIVRATOLM_TEXT_SIZE;
constexpr std::size_t guardSize = 64;
constexpr char guard = 0x5A;

// A caller's text buffer with a guard region behind it.
struct GuardedBuffer {
    std::vector<char> bytes = std::vector<char>(textSize + guardSize, guard);

    char* data() { return bytes.data(); }
    std::string text() const { return std::string(bytes.data()); }
    bool guardIntact() const {
        return std::all_of(bytes.begin() + textSize, bytes.end(), [](char c) { return c == guard; });
    }
};

std::string peripheralName(std::int32_t handle, std::uint32_t id, std::int32_t* status = nullptr) {
    GuardedBuffer buffer;
    const std::int32_t result = KivraTolmGetPeripheralName(handle, id, buffer.data());
    if (status)
        *status = result;
    return buffer.text();
}

} // namespace

class EmulatorCallsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { reset(); }

    void enumeration_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<int>("expected");
        QTest::newRow("All") << 0x7D400000u << 2;
        QTest::newRow("Usb") << 0x7D400001u << 2;
        QTest::newRow("KivraTolm") << kivraTolmType << 1;
        QTest::newRow("other") << 0x7D409999u << 0;
    }

    void enumeration() {
        QFETCH(std::uint32_t, type);
        QFETCH(int, expected);
        BoardConfig first;
        BoardConfig second;
        second.typeId = 0x7D409998;
        second.identifier = "KT-EMU-0002";
        second.details = "second board";
        setBoards({first, second});
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, type), 0);
        QCOMPARE(count, expected);
        if (expected == 2) {
            GuardedBuffer identifier;
            GuardedBuffer details;
            std::uint32_t typeId = 0;
            QCOMPARE(KivraTolmGetIdentifier(1, identifier.data(), &typeId, details.data()), 0);
            QCOMPARE(identifier.text(), std::string("KT-EMU-0002"));
            QCOMPARE(details.text(), std::string("second board"));
            QCOMPARE(typeId, 0x7D409998u);
        }
        // Past the end: empty texts and an error.
        GuardedBuffer identifier;
        GuardedBuffer details;
        std::uint32_t typeId = 1;
        const std::int32_t status = KivraTolmGetIdentifier(expected, identifier.data(), &typeId, details.data());
        QVERIFY(status != 0);
        QVERIFY(!errorText(status).empty());
        QCOMPARE(identifier.text(), std::string());
        QCOMPARE(details.text(), std::string());
    }

    void noBoards() {
        setBoards({});
        std::int32_t count = -1;
        QCOMPARE(KivraTolmBeginEnumerate(&count, 0x7D400000), 0);
        QCOMPARE(count, 0);
        std::int32_t handle = 0;
        const std::int32_t status = KivraTolmOpen("KT-EMU-0001", &handle);
        QVERIFY(status != 0);
        QCOMPARE(handle, -1);
        QVERIFY(errorText(status).find("KT-EMU-0001") != std::string::npos);
    }

    void defaultBoard() {
        const std::int32_t handle = openBoard();
        QVERIFY(handle > 0);
        const std::vector<std::int32_t> expected = {4, 0, 64, 2, 1, 1, 100};
        for (std::int32_t number = 0; number <= 6; ++number) {
            std::int32_t value = -1;
            QCOMPARE(KivraTolmGetDeviceParameter(handle, number, &value), 0);
            QCOMPARE(value, expected[static_cast<std::size_t>(number)]);
        }
        for (std::int32_t number : {-1, 7, 1000}) {
            std::int32_t value = -1;
            const std::int32_t status = KivraTolmGetDeviceParameter(handle, number, &value);
            QVERIFY(status != 0);
            QVERIFY(errorText(status).find(std::to_string(number)) != std::string::npos);
        }
        std::int32_t lines = 0;
        QCOMPARE(KivraTolmGetDigitalPortIoCount(handle, ioPort, &lines), 0);
        QCOMPARE(lines, 4);
        QCOMPARE(KivraTolmGetDigitalPortIoCount(handle, digitalPort0, &lines), 0);
        QCOMPARE(lines, 8);
    }

    void names_data() {
        QTest::addColumn<std::uint32_t>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("analog 0") << analog0 << "Analog input 1";
        QTest::newRow("analog 3") << analog0 + 3 << "Analog input 4";
        QTest::newRow("sensor 0") << sensor0 << "Sensor A1";
        QTest::newRow("sensor row 1 column 2") << sensor0 + 10 << "Sensor C2";
        QTest::newRow("sensor 63") << sensor0 + 63 << "Sensor H8";
        QTest::newRow("port 0") << digitalPort0 << "Digital port 0";
        QTest::newRow("port 1") << ioPort << "I/O port";
        QTest::newRow("counter") << counter0 << "Counter 0";
        QTest::newRow("trigger") << trigger0 << "Trigger 0";
        QTest::newRow("renamed") << analog0 + 1 << "Pressure";
    }

    void names() {
        QFETCH(std::uint32_t, id);
        QFETCH(QString, name);
        BoardConfig config;
        config.names[analog0 + 1] = "Pressure";
        setBoards({config});
        const std::int32_t handle = openBoard();
        std::int32_t status = -1;
        QCOMPARE(QString::fromStdString(peripheralName(handle, id, &status)), name);
        QCOMPARE(status, 0);
    }

    void lineNames() {
        const std::int32_t handle = openBoard();
        for (int line = 0; line < 4; ++line) {
            GuardedBuffer name;
            QCOMPARE(KivraTolmGetDigitalPortIoName(handle, ioPort, line, name.data()), 0);
            QCOMPARE(name.text(), "IO" + std::to_string(line + 1));
        }
        for (int line : {-1, 4}) {
            GuardedBuffer name;
            const std::int32_t status = KivraTolmGetDigitalPortIoName(handle, ioPort, line, name.data());
            QVERIFY(status != 0);
            QCOMPARE(name.text(), std::string());
            QVERIFY(errorText(status).find("4 lines") != std::string::npos);
        }
    }

    void unknownPeripherals_data() {
        QTest::addColumn<std::uint32_t>("id");
        QTest::newRow("analog 4") << analog0 + 4;
        QTest::newRow("sensor 64") << sensor0 + 64;
        QTest::newRow("port 2") << digitalPort0 + 2;
        QTest::newRow("counter 1") << counter0 + 1;
        QTest::newRow("trigger source") << externalTrigger;
        QTest::newRow("zero") << 0u;
    }

    void unknownPeripherals() {
        QFETCH(std::uint32_t, id);
        const std::int32_t handle = openBoard();
        std::int32_t status = 0;
        QCOMPARE(peripheralName(handle, id, &status), std::string());
        QVERIFY(status != 0);
        char hexId[16];
        std::snprintf(hexId, sizeof hexId, "0x%X", id);
        QVERIFY2(errorText(status).find(hexId) != std::string::npos, errorText(status).c_str());
    }

    void handlesAreChecked() {
        std::int32_t handle = openBoard();
        QVERIFY(handle > 0);

        std::int32_t second = 0;
        std::int32_t status = KivraTolmOpen("KT-EMU-0001", &second);
        QVERIFY(status != 0);
        QCOMPARE(second, -1);
        QVERIFY2(errorText(status).find("busy") != std::string::npos, errorText(status).c_str());

        std::int32_t value = 0;
        status = KivraTolmGetDeviceParameter(12345, 0, &value);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("12345") != std::string::npos);

        QCOMPARE(KivraTolmClose(handle), 0);
        status = KivraTolmGetDeviceParameter(handle, 0, &value);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("closed") != std::string::npos);
        QVERIFY(KivraTolmClose(handle) != 0);
        QVERIFY(KivraTolmClose(-1) != 0);
        float floats[68 * 100];
        std::uint32_t words[4 * 100];
        std::int32_t count = -1;
        QVERIFY(KivraTolmReadNonBlocking(handle, floats, words, &count) != 0);
        QCOMPARE(count, 0);
        QVERIFY(start(handle, 10) != 0);

        // Reopening gives a new handle; the old one stays dead.
        const std::int32_t reopened = openBoard();
        QVERIFY(reopened > 0);
        QVERIFY(reopened != handle);
        QVERIFY(KivraTolmGetDeviceParameter(handle, 0, &value) != 0);
        QCOMPARE(KivraTolmGetDeviceParameter(reopened, 0, &value), 0);

        // setBoards closes every handle.
        setBoards({BoardConfig{}});
        QVERIFY(KivraTolmGetDeviceParameter(reopened, 0, &value) != 0);
    }

    void nullPointersAreRefused() {
        const std::int32_t handle = openBoard();
        char text[textSize];
        std::uint32_t typeId = 0;
        float floats[68];
        std::uint32_t words[4];
        std::int32_t count = 0;
        const std::vector<std::int32_t> statuses = {
            KivraTolmBeginEnumerate(nullptr, 0x7D400000),
            KivraTolmGetIdentifier(0, nullptr, &typeId, text),
            KivraTolmOpen(nullptr, &count),
            KivraTolmOpen("KT-EMU-0002", nullptr),
            KivraTolmOpenNetwork(nullptr, 10001, &count, kivraTolmType, text),
            KivraTolmGetDeviceParameter(handle, 0, nullptr),
            KivraTolmGetPeripheralName(handle, analog0, nullptr),
            KivraTolmGetDigitalPortIoCount(handle, ioPort, nullptr),
            KivraTolmGetDigitalPortIoName(handle, ioPort, 0, nullptr),
            KivraTolmStartDataAcquisition(handle, 0, 10, -1, nullptr),
            KivraTolmReadNonBlocking(handle, nullptr, words, &count),
            KivraTolmReadNonBlocking(handle, floats, nullptr, &count),
            KivraTolmReadNonBlocking(handle, floats, words, nullptr),
            KivraTolmGetError(-101, nullptr),
        };
        for (std::size_t i = 0; i < statuses.size(); ++i) {
            QVERIFY2(statuses[i] != 0, qPrintable(QString::number(i)));
            QVERIFY(!errorText(statuses[i]).empty());
        }
        QVERIFY(!boardState(0).running);
    }

    void callRecord() {
        std::int32_t count = 0;
        KivraTolmBeginEnumerate(&count, kivraTolmType);
        char identifier[textSize];
        char details[textSize];
        std::uint32_t typeId = 0;
        KivraTolmGetIdentifier(0, identifier, &typeId, details);
        const std::int32_t handle = openBoard();
        std::int32_t value = 0;
        KivraTolmGetDeviceParameter(handle, 6, &value);
        char name[textSize];
        KivraTolmGetPeripheralName(handle, ioPort, name);
        KivraTolmGetDigitalPortIoCount(handle, ioPort, &value);
        KivraTolmGetDigitalPortIoName(handle, ioPort, 3, name);
        std::vector<std::uint32_t> ids(70, analog0);
        KivraTolmSetupInputFrame(handle, ids.data(), 70);
        KivraTolmSetDigitalPortOutputEnableMask(handle, ioPort, 0);
        KivraTolmWriteDigitalPort(handle, ioPort, 0xA);
        KivraTolmSetCounterConfig(handle, counter0, externalTrigger);
        KivraTolmSetCounterEnable(handle, counter0, 1);
        KivraTolmResetCounter(handle, counter0);
        KivraTolmSetColumnSensitivity(handle, 3, 31);
        start(handle, 50);
        float floats[68 * 100];
        std::uint32_t words[4 * 100];
        KivraTolmReadNonBlocking(handle, floats, words, &value);
        KivraTolmGetErrorLength(-101);
        start(handle, 0.5f); // refused calls are recorded too
        KivraTolmStopDataAcquisition(handle);
        KivraTolmClose(handle);
        const std::vector<std::string> expected = {
            "BeginEnumerate(0x7D4035A0)",
            "GetIdentifier(0)",
            "Open(KT-EMU-0001)",
            "GetDeviceParameter(6)",
            "GetPeripheralName(0x7D401001)",
            "GetDigitalPortIoCount(0x7D401001)",
            "GetDigitalPortIoName(0x7D401001, 3)",
            "SetupInputFrame(70)",
            "SetDigitalPortOutputEnableMask(0x7D401001, 0x0)",
            "WriteDigitalPort(0x7D401001, 0xA)",
            "SetCounterConfig(0x7D401500, 0x7D401A00)",
            "SetCounterEnable(0x7D401500, 1)",
            "ResetCounter(0x7D401500)",
            "SetColumnSensitivity(3, 31)",
            "StartDataAcquisition(0, 50, -1)",
            "StartDataAcquisition(0, 0.5, -1)",
            "StopDataAcquisition()",
            "Close()",
        };
        QCOMPARE(calls(), expected);
        clearCalls();
        QVERIFY(calls().empty());
    }

    void faults_data() {
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("times");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("outcomes"); // one letter per call: o ok, f failed
        QTest::newRow("first call, once") << 0 << 1 << "boom"
                                          << "foo";
        QTest::newRow("after two, twice") << 2 << 2 << "boom"
                                          << "ooffo";
        QTest::newRow("after one, always") << 1 << -1 << "boom"
                                           << "offff";
        QTest::newRow("empty message") << 0 << -1 << ""
                                       << "ff";
        QTest::newRow("never due") << 0 << 0 << "boom"
                                   << "ooo";
    }

    void faults() {
        QFETCH(int, after);
        QFETCH(int, times);
        QFETCH(QString, message);
        QFETCH(QString, outcomes);
        const std::int32_t handle = openBoard();
        Fault fault;
        fault.function = "SetCounterConfig";
        fault.status = 7;
        fault.message = message.toStdString();
        fault.afterCalls = after;
        fault.times = times;
        injectFault(fault);
        for (QChar outcome : outcomes) {
            const std::int32_t status = KivraTolmSetCounterConfig(handle, counter0, externalTrigger);
            if (outcome == 'o') {
                QCOMPARE(status, 0);
                continue;
            }
            QCOMPARE(status, 7);
            QCOMPARE(KivraTolmGetErrorLength(7), static_cast<std::int32_t>(message.size()));
            QCOMPARE(QString::fromStdString(errorText(7)), message);
        }
        // Other functions are unaffected, and clearing ends the fault.
        QCOMPARE(KivraTolmSetCounterEnable(handle, counter0, 1), 0);
        clearFaults();
        QCOMPARE(KivraTolmSetCounterConfig(handle, counter0, externalTrigger), 0);
    }

    void faultsLeaveOutputsEmpty() {
        for (const char* function : {"Open", "GetIdentifier", "GetPeripheralName", "ReadNonBlocking"}) {
            Fault fault;
            fault.function = function;
            fault.status = 42;
            fault.message = std::string(function) + " failed";
            injectFault(fault);
        }
        std::int32_t handle = 0;
        QCOMPARE(KivraTolmOpen("KT-EMU-0001", &handle), 42);
        QCOMPARE(handle, -1);
        QCOMPARE(errorText(42), std::string("Open failed"));
        std::int32_t count = 0;
        QCOMPARE(KivraTolmBeginEnumerate(&count, kivraTolmType), 0);
        GuardedBuffer identifier;
        GuardedBuffer details;
        std::uint32_t typeId = 5;
        QCOMPARE(KivraTolmGetIdentifier(0, identifier.data(), &typeId, details.data()), 42);
        QCOMPARE(identifier.text(), std::string());
        QCOMPARE(typeId, 0u);
        // The last message given with a status is the one reported.
        QCOMPARE(errorText(42), std::string("GetIdentifier failed"));
    }

    void badFaultsAreRefused() {
        Fault fault;
        fault.function = "KivraTolmOpen";
        QVERIFY_EXCEPTION_THROWN(injectFault(fault), std::invalid_argument);
        fault.function = "GetError";
        QVERIFY_EXCEPTION_THROWN(injectFault(fault), std::invalid_argument);
        fault.function = "Open";
        fault.status = 0;
        QVERIFY_EXCEPTION_THROWN(injectFault(fault), std::invalid_argument);
    }

    void textsAreCutToTheBuffer() {
        BoardConfig config;
        config.identifier = std::string(2000, 'i');
        config.details = std::string(2000, 'd');
        config.names[analog0] = std::string(2000, 'n');
        // 1022 ASCII bytes and a two-byte character: the character does not fit.
        config.names[analog0 + 1] = std::string(1022, 'a') + "\xC3\xA9";
        setBoards({config});

        std::int32_t count = 0;
        KivraTolmBeginEnumerate(&count, kivraTolmType);
        GuardedBuffer identifier;
        GuardedBuffer details;
        std::uint32_t typeId = 0;
        QCOMPARE(KivraTolmGetIdentifier(0, identifier.data(), &typeId, details.data()), 0);
        QCOMPARE(identifier.text(), std::string(1023, 'i'));
        QCOMPARE(details.text(), std::string(1023, 'd'));
        QVERIFY(identifier.guardIntact());
        QVERIFY(details.guardIntact());

        const std::int32_t handle = openBoard(config.identifier.c_str());
        QVERIFY(handle > 0);
        GuardedBuffer name;
        QCOMPARE(KivraTolmGetPeripheralName(handle, analog0, name.data()), 0);
        QCOMPARE(name.text(), std::string(1023, 'n'));
        QVERIFY(name.guardIntact());
        QCOMPARE(peripheralName(handle, analog0 + 1), std::string(1022, 'a'));

        Fault fault;
        fault.function = "Close";
        fault.status = 9;
        fault.message = std::string(2000, 'm');
        injectFault(fault);
        QCOMPARE(KivraTolmClose(handle), 9);
        QCOMPARE(KivraTolmGetErrorLength(9), 1023);
        GuardedBuffer message;
        QCOMPARE(KivraTolmGetError(9, message.data()), 0);
        QCOMPARE(message.text(), std::string(1023, 'm'));
        QVERIFY(message.guardIntact());
    }

    void everyStatusHasAMessage() {
        QVERIFY(KivraTolmGetErrorLength(-12345) > 0);
        QVERIFY(errorText(-12345).find("-12345") != std::string::npos);
    }

    void concurrentUse() {
        // A worker reads at its own pace while the test thread drives the
        // outputs and asks the board's state, as the programs' two threads do.
        BoardConfig config;
        config.framesPerRead = 1000;
        setBoards({config});
        const std::int32_t handle = openBoard();
        QCOMPARE(start(handle, 5000), 0);
        std::atomic<bool> stop{false};
        std::atomic<int> frames{0};
        std::atomic<int> failures{0};
        std::thread worker([&] {
            std::vector<float> floats(68 * 1000);
            std::vector<std::uint32_t> words(4 * 1000);
            while (!stop) {
                std::int32_t count = 0;
                if (KivraTolmReadNonBlocking(handle, floats.data(), words.data(), &count) != 0)
                    ++failures;
                frames += count;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        for (int i = 0; i < 200; ++i) {
            KivraTolmWriteDigitalPort(handle, ioPort, static_cast<std::uint32_t>(i) & 0xF);
            KivraTolmSetColumnSensitivity(handle, i % 8, i % 64);
            boardState(0);
            calls();
        }
        QTRY_VERIFY_WITH_TIMEOUT(frames > 500, 5000);
        stop = true;
        worker.join();
        QCOMPARE(failures.load(), 0);
        QCOMPARE(boardState(0).outputValue[1], 199u & 0xF);
    }
};

QTEST_GUILESS_MAIN(EmulatorCallsTest)
#include "tst_emulatorcalls.moc"
