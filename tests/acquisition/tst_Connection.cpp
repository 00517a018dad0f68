#include "Capture.h"
#include "Connection.h"
#include "EmulatorControl.h"

#include <QtTest>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace KivraTolm;
namespace Emulator = KivraTolmEmulator;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

// What openDevice made of an address: "net host|port", "usb identifier", or
// the exception kind and its message.
std::string outcomeOf(const std::string& bus, const std::string& address) {
    try {
        const std::unique_ptr<Device> device = openDevice(bus, address);
        if (device->handle() != -1)
            return "opened too early";
        if (device->isNetwork())
            return "net " + device->host() + "|" + std::to_string(device->port()) + " " + device->type().name;
        return "usb " + device->identifier();
    } catch (const std::invalid_argument& failure) {
        return std::string("invalid_argument: ") + failure.what();
    } catch (const std::out_of_range& failure) {
        return std::string("out_of_range: ") + failure.what();
    } catch (const std::runtime_error& failure) {
        return std::string("runtime_error: ") + failure.what();
    }
}

std::string failureText(const std::string& bus, const std::string& address) {
    try {
        openDevice(bus, address);
    } catch (const std::exception& failure) {
        return failure.what();
    }
    return {};
}

Emulator::BoardConfig board(const std::string& identifier) {
    Emulator::BoardConfig config;
    config.identifier = identifier;
    config.manualClock = true;
    return config;
}

bool hasCallStartingWith(const std::vector<std::string>& calls, const std::string& prefix) {
    return std::any_of(calls.begin(), calls.end(), [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

// The calls after the board's parameters were read: what configure drove.
std::vector<std::string> callsAfterOpening(const std::vector<std::string>& calls) {
    const auto parameter6 = std::find(calls.begin(), calls.end(), "GetDeviceParameter(6)");
    return parameter6 == calls.end() ? std::vector<std::string>{}
                                     : std::vector<std::string>(parameter6 + 1, calls.end());
}

} // namespace

class tst_Connection : public QObject {
    Q_OBJECT

private slots:
    void init() { Emulator::reset(); }

    void openDeviceChoosesTheBoard_data() {
        QTest::addColumn<std::string>("bus");
        QTest::addColumn<std::string>("address");
        QTest::addColumn<int>("usbBoards");
        QTest::addColumn<std::string>("outcome");

        const std::string badFormat = "runtime_error: Invalid format for NET device.";
        const std::string unknownBus = "runtime_error: Unknown bus.";
        const std::string cannotOpen = "runtime_error: Can't open device.";

        QTest::newRow("net host and port") << std::string("net") << std::string("127.0.0.1:10001") << 1
                                           << std::string("net 127.0.0.1|10001 KivraTolm");
        QTest::newRow("net empty host") << std::string("net") << std::string(":10001") << 1
                                        << std::string("net |10001 KivraTolm");
        QTest::newRow("net blank and letter")
            << std::string("net") << std::string("host: 10001x") << 1 << std::string("net host|10001 KivraTolm");
        QTest::newRow("net signed port") << std::string("net") << std::string("host:-7") << 1
                                         << std::string("net host|-7 KivraTolm");
        QTest::newRow("net plus sign") << std::string("net") << std::string("host:+8") << 1
                                       << std::string("net host|8 KivraTolm");
        QTest::newRow("net largest port")
            << std::string("net") << std::string("h:2147483647") << 1 << std::string("net h|2147483647 KivraTolm");
        QTest::newRow("net no colon") << std::string("net") << std::string("127.0.0.1") << 1 << badFormat;
        QTest::newRow("net three parts") << std::string("net") << std::string("a:1:2") << 1 << badFormat;
        QTest::newRow("net double colon") << std::string("net") << std::string("host::1") << 1 << badFormat;
        QTest::newRow("net empty address") << std::string("net") << std::string() << 1 << badFormat;
        // The text given, not std::stoi's bare "stoi".
        const std::string notANumber = "invalid_argument: The port in host:port must be a number, not ";
        const std::string outOfRange = "out_of_range: The port in host:port is out of range: ";
        QTest::newRow("net empty port") << std::string("net") << std::string("host:") << 1 << notANumber + "\"\".";
        QTest::newRow("net letters") << std::string("net") << std::string("host:x1") << 1 << notANumber + "\"x1\".";
        QTest::newRow("net port abc") << std::string("net") << std::string("host:abc") << 1 << notANumber + "\"abc\".";
        QTest::newRow("net blank port") << std::string("net") << std::string("host: ") << 1 << notANumber + "\" \".";
        QTest::newRow("net eleven digits")
            << std::string("net") << std::string("host:99999999999") << 1 << outOfRange + "\"99999999999\".";
        QTest::newRow("net above 32 bits")
            << std::string("net") << std::string("host:2147483648") << 1 << outOfRange + "\"2147483648\".";
        QTest::newRow("net below 32 bits")
            << std::string("net") << std::string("host:-2147483649") << 1 << outOfRange + "\"-2147483649\".";
        QTest::newRow("upper-case NET") << std::string("NET") << std::string("127.0.0.1:10001") << 1 << unknownBus;
        QTest::newRow("mixed-case Usb") << std::string("Usb") << std::string("-") << 1 << unknownBus;
        QTest::newRow("empty bus") << std::string() << std::string("-") << 1 << unknownBus;
        QTest::newRow("bus with blank") << std::string(" usb") << std::string("-") << 1 << unknownBus;
        QTest::newRow("usb no board") << std::string("usb") << std::string("-") << 0 << cannotOpen;
        QTest::newRow("usb two boards") << std::string("usb") << std::string("-") << 2 << cannotOpen;
        QTest::newRow("usb one board") << std::string("usb") << std::string("-") << 1 << std::string("usb KT-0");
        QTest::newRow("usb ignores address")
            << std::string("usb") << std::string("a:1:2") << 1 << std::string("usb KT-0");
    }

    void openDeviceChoosesTheBoard() {
        QFETCH(std::string, bus);
        QFETCH(std::string, address);
        QFETCH(int, usbBoards);
        QFETCH(std::string, outcome);
        std::vector<Emulator::BoardConfig> boards;
        for (int i = 0; i < usbBoards; ++i)
            boards.push_back(board("KT-" + std::to_string(i)));
        Emulator::setBoards(boards);
        QCOMPARE(outcomeOf(bus, address), outcome);
    }

    // The worker ends with the text of the failure as its error.
    void workerReportsConnectionFailures_data() {
        QTest::addColumn<std::string>("bus");
        QTest::addColumn<std::string>("address");
        QTest::addColumn<int>("usbBoards");

        QTest::newRow("net no colon") << std::string("net") << std::string("127.0.0.1") << 1;
        QTest::newRow("net empty port") << std::string("net") << std::string("host:") << 1;
        QTest::newRow("net eleven digits") << std::string("net") << std::string("host:99999999999") << 1;
        QTest::newRow("unknown bus") << std::string("NET") << std::string("127.0.0.1:10001") << 1;
        QTest::newRow("usb no board") << std::string("usb") << std::string("-") << 0;
        QTest::newRow("usb two boards") << std::string("usb") << std::string("-") << 2;
    }

    void workerReportsConnectionFailures() {
        QFETCH(std::string, bus);
        QFETCH(std::string, address);
        QFETCH(int, usbBoards);
        std::vector<Emulator::BoardConfig> boards;
        for (int i = 0; i < usbBoards; ++i)
            boards.push_back(board("KT-" + std::to_string(i)));
        Emulator::setBoards(boards);

        const std::string expected = failureText(bus, address);
        QVERIFY(!expected.empty());
        Capture capture(bus, address);
        QTRY_COMPARE(capture.errorText(), expected);
        QVERIFY(!hasCallStartingWith(Emulator::calls(), "Open"));
        capture.stop();
        QCOMPARE(capture.errorText(), std::string());
    }

    void networkBoardReachesTheLibraryUnchanged() {
        Emulator::clearCalls();
        Capture capture("net", " 127.0.0.1 : 10001x");
        QTRY_VERIFY(!capture.errorText().empty());
        const std::string error = capture.errorText();
        capture.stop(); // joins the worker: its close is recorded
        const std::vector<std::string> calls = Emulator::calls();
        const auto open = std::find_if(calls.begin(), calls.end(),
                                       [](const std::string& call) { return call.rfind("OpenNetwork(", 0) == 0; });
        QVERIFY(open != calls.end());
        QVERIFY2(open->rfind("OpenNetwork( 127.0.0.1 , 10001", 0) == 0, open->c_str());
        // The library's refusal names host and port; it is the worker's error as it stands.
        QVERIFY2(error.find(" 127.0.0.1 :10001") != std::string::npos, error.c_str());
        // The failed open is still closed.
        QCOMPARE(calls.back(), std::string("Close()"));
    }

    void configureSequence() {
        Emulator::setBoards({board("KT-0")});
        Emulator::clearCalls();
        const std::unique_ptr<Device> device = openDevice("usb", "-");
        configure(*device);
        QCOMPARE(
            callsAfterOpening(Emulator::calls()),
            (std::vector<std::string>{"SetDigitalPortOutputEnableMask(0x7D401001, 0x0)",
                                      "WriteDigitalPort(0x7D401001, 0x0)", "SetCounterConfig(0x7D401500, 0x7D401A00)",
                                      "SetCounterEnable(0x7D401500, 1)", "SetupInputFrame(70)"}));

        std::vector<std::uint32_t> inputs{0x7D401500, 0x7D401001};
        for (std::uint32_t i = 0; i < 64; ++i)
            inputs.push_back(0x7D401B00 + i);
        for (std::uint32_t i = 0; i < 4; ++i)
            inputs.push_back(0x7D401100 + i);
        const Emulator::BoardState state = Emulator::boardState(0);
        QVERIFY(state.open);
        QVERIFY(!state.running);
        QCOMPARE(state.frameInputs, inputs);
        QCOMPARE(state.counterConfig, 0x7D401A00u);
        QVERIFY(state.counterEnabled);
        QCOMPARE(state.outputEnableMask.at(1), 0u);
        QCOMPARE(state.outputValue.at(1), 0u);
        device->close();
    }

    // A board lacking what the programs rely on fails at the first missing
    // input, after the steps before it have reached the board.
    void configureStopsAtMissingInput_data() {
        QTest::addColumn<int>("digitalPorts");
        QTest::addColumn<int>("counters");
        QTest::addColumn<int>("sensors");
        QTest::addColumn<int>("analogInputs");
        QTest::addColumn<std::vector<std::string>>("calls");

        const std::string mask = "SetDigitalPortOutputEnableMask(0x7D401001, 0x0)";
        const std::string write = "WriteDigitalPort(0x7D401001, 0x0)";
        const std::string config = "SetCounterConfig(0x7D401500, 0x7D401A00)";
        const std::string enable = "SetCounterEnable(0x7D401500, 1)";
        QTest::newRow("one digital port") << 1 << 1 << 64 << 4 << std::vector<std::string>{};
        QTest::newRow("no counter") << 2 << 0 << 64 << 4 << std::vector<std::string>{mask, write};
        QTest::newRow("63 sensors") << 2 << 1 << 63 << 4 << std::vector<std::string>{mask, write, config, enable};
        QTest::newRow("3 analog inputs") << 2 << 1 << 64 << 3 << std::vector<std::string>{mask, write, config, enable};
    }

    void configureStopsAtMissingInput() {
        QFETCH(int, digitalPorts);
        QFETCH(int, counters);
        QFETCH(int, sensors);
        QFETCH(int, analogInputs);
        QFETCH(std::vector<std::string>, calls);

        Emulator::BoardConfig config = board("KT-0");
        config.digitalPortLines.resize(static_cast<std::size_t>(digitalPorts), 4);
        config.counters = counters;
        config.sensorInputs = sensors;
        config.analogInputs = analogInputs;
        Emulator::setBoards({config});
        Emulator::clearCalls();

        const std::unique_ptr<Device> device = openDevice("usb", "-");
        QVERIFY_EXCEPTION_THROWN(configure(*device), std::out_of_range);
        QCOMPARE(callsAfterOpening(Emulator::calls()), calls);
        device->close();
    }

    void workerReportsAMissingPortAndClosesTheBoard() {
        Emulator::BoardConfig config = board("KT-0");
        config.digitalPortLines = {8};
        Emulator::setBoards({config});
        Emulator::clearCalls();
        Capture capture("usb", "-");
        QTRY_COMPARE_WITH_TIMEOUT(capture.errorText().empty(), false, 5000);
        capture.stop();
        const std::vector<std::string> calls = Emulator::calls();
        QVERIFY(!hasCallStartingWith(calls, "SetCounter"));
        QVERIFY(!hasCallStartingWith(calls, "StartDataAcquisition"));
        QCOMPARE(calls.back(), std::string("Close()"));
        QVERIFY(!Emulator::boardState(0).open);
    }
};

QTEST_GUILESS_MAIN(tst_Connection)
#include "tst_Connection.moc"
