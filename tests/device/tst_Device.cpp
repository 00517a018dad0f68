#include "Device.h"
#include "EmulatorControl.h"

#include <QtTest>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace KivraTolm;
namespace Emulator = KivraTolmEmulator;

Q_DECLARE_METATYPE(std::string)

namespace {

bool anyCallStartsWith(const std::string& prefix) {
    const std::vector<std::string> calls = Emulator::calls();
    return std::any_of(calls.begin(), calls.end(), [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

std::vector<std::string> callsStartingWith(const std::string& prefix) {
    std::vector<std::string> matching;
    for (const std::string& call : Emulator::calls()) {
        if (call.rfind(prefix, 0) == 0)
            matching.push_back(call);
    }
    return matching;
}

// Frame k: float i is k * (A + S) + i, word j is k * (D + C + T) + j.
Emulator::BoardConfig numberedBoard() {
    Emulator::BoardConfig board;
    board.manualClock = true;
    const int floatsPerFrame = board.analogInputs + board.sensorInputs;
    const int wordsPerFrame = static_cast<int>(board.digitalPortLines.size()) + board.counters + board.triggers;
    board.frameSource = [=](std::uint64_t frame, float* floats, std::uint32_t* words) {
        for (int i = 0; i < floatsPerFrame; ++i)
            floats[i] = static_cast<float>(frame * floatsPerFrame + i);
        for (int j = 0; j < wordsPerFrame; ++j)
            words[j] = static_cast<std::uint32_t>(frame * wordsPerFrame + j);
    };
    return board;
}

Device openedBoard() {
    std::vector<Device> devices = Device::enumerate(DeviceType::kivraTolm());
    if (devices.size() != 1)
        throw std::runtime_error("expected one emulated board");
    Device device = devices.front();
    device.open();
    return device;
}

template <typename Exception, typename Action> QString failureOf(Action action) {
    try {
        action();
    } catch (const Exception& failure) {
        return QString::fromStdString(failure.what());
    } catch (const std::exception& other) {
        return QStringLiteral("wrong exception kind: ") + other.what();
    }
    return QStringLiteral("no exception");
}

} // namespace

class tst_Device : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Emulator::reset();
        Emulator::setBoards({Emulator::BoardConfig{}});
    }

    void deviceTypes() {
        QCOMPARE(DeviceType::all().id, 0x7D400000u);
        QCOMPARE(DeviceType::all().name, std::string("All"));
        QCOMPARE(DeviceType::usb().id, 0x7D400001u);
        QCOMPARE(DeviceType::usb().name, std::string("Usb"));
        QCOMPARE(DeviceType::kivraTolm().id, 0x7D4035A0u);
        QCOMPARE(DeviceType::kivraTolm().name, std::string("KivraTolm"));
        QCOMPARE(failureOf<std::out_of_range>([] { DeviceType::fromId(0x7D4035A1); }), QString("Invalid id."));
    }

    void enumerateWithoutBoard() {
        Emulator::setBoards({});
        Emulator::clearCalls();
        QVERIFY(Device::enumerate(DeviceType::kivraTolm()).empty());
        QVERIFY(anyCallStartsWith("BeginEnumerate"));
        QVERIFY(!anyCallStartsWith("GetIdentifier"));
    }

    void enumerateReportsIdentifierAndDetails() {
        Emulator::BoardConfig first;
        first.identifier = "KT-1";
        first.details = "first board";
        Emulator::BoardConfig second;
        second.identifier = "KT-2";
        second.details = "";
        Emulator::setBoards({first, second});

        const std::vector<Device> devices = Device::enumerate(DeviceType::kivraTolm());
        QCOMPARE(devices.size(), std::size_t(2));
        QCOMPARE(devices[0].identifier(), std::string("KT-1"));
        QCOMPARE(devices[0].details(), std::string("first board"));
        QCOMPARE(devices[1].identifier(), std::string("KT-2"));
        QCOMPARE(devices[1].details(), std::string());
        for (const Device& device : devices) {
            QVERIFY(!device.isNetwork());
            QCOMPARE(device.type().id, DeviceType::kivraTolm().id);
            QCOMPARE(device.handle(), -1);
            QCOMPARE(device.framesPerRead(), -1);
            QVERIFY(device.sensorInputs().empty());
        }
    }

    void enumerateRefusesUnknownType() {
        Emulator::BoardConfig known;
        Emulator::BoardConfig unknown;
        unknown.identifier = "KT-ODD";
        unknown.typeId = 0x7D4035A1;
        Emulator::setBoards({known, unknown});
        QCOMPARE(failureOf<std::out_of_range>([] { Device::enumerate(DeviceType::all()); }), QString("Invalid id."));
    }

    void libraryErrorPassedOnUnchanged_data() {
        QTest::addColumn<std::string>("function");
        QTest::addColumn<std::string>("message");
        QTest::newRow("open") << std::string("Open") << std::string("Board is busy");
        QTest::newRow("open, empty text") << std::string("Open") << std::string();
        QTest::newRow("parameter") << std::string("GetDeviceParameter") << std::string("Parameter: ünknown");
        QTest::newRow("name") << std::string("GetPeripheralName") << std::string("no name");
        QTest::newRow("line count") << std::string("GetDigitalPortIoCount") << std::string("port gone");
        QTest::newRow("line name") << std::string("GetDigitalPortIoName") << std::string();
        QTest::newRow("enumerate") << std::string("BeginEnumerate") << std::string("USB stack down");
    }

    void libraryErrorPassedOnUnchanged() {
        QFETCH(std::string, function);
        QFETCH(std::string, message);
        Emulator::injectFault({function, 42, message, 0, -1});
        const QString failure = failureOf<std::runtime_error>([] { openedBoard(); });
        QCOMPARE(failure, QString::fromStdString(message));
    }

    void openBuildsPeripherals() {
        Emulator::BoardConfig board;
        board.names[0x7D401B05] = "Sensor six";
        board.framesPerRead = 37;
        Emulator::setBoards({board});
        Emulator::clearCalls();

        const Device device = openedBoard();
        QVERIFY(device.handle() != -1);
        QCOMPARE(device.framesPerRead(), 37);
        QCOMPARE(device.analogInputs().size(), std::size_t(4));
        QCOMPARE(device.sensorInputs().size(), std::size_t(64));
        QCOMPARE(device.digitalPorts().size(), std::size_t(2));
        QCOMPARE(device.counters().size(), std::size_t(1));
        QCOMPARE(device.triggers().size(), std::size_t(1));

        for (int i = 0; i < 4; ++i) {
            const AnalogInput& input = device.analogInputs()[static_cast<std::size_t>(i)];
            QCOMPARE(input.id, 0x7D401100u + static_cast<std::uint32_t>(i));
            QCOMPARE(input.kind, 0);
            QCOMPARE(input.index, i);
            QCOMPARE(input.handle, device.handle());
            QVERIFY(!input.name.empty());
        }
        for (int i = 0; i < 64; ++i) {
            const AnalogInput& input = device.sensorInputs()[static_cast<std::size_t>(i)];
            QCOMPARE(input.id, 0x7D401B00u + static_cast<std::uint32_t>(i));
            QCOMPARE(input.kind, 1);
            QCOMPARE(input.index, i);
        }
        QCOMPARE(device.sensorInputs()[5].name, std::string("Sensor six"));

        const DigitalPort& ioPort = device.digitalPorts()[1];
        QCOMPARE(static_cast<const Input&>(ioPort).id, 0x7D401001u);
        QCOMPARE(static_cast<const Output&>(ioPort).id, 0x7D401001u);
        QCOMPARE(ioPort.index, 1);
        QCOMPARE(ioPort.lineCount, 4);
        QCOMPARE(ioPort.lineNames.size(), std::size_t(4));
        QCOMPARE(device.digitalPorts()[0].lineCount, 8);
        QCOMPARE(device.counters()[0].id, 0x7D401500u);
        QCOMPARE(device.triggers()[0].id, 0x7D401600u);

        QVERIFY(!anyCallStartsWith("GetDeviceParameter(1)"));
        QCOMPARE(callsStartingWith("GetDeviceParameter"),
                 (std::vector<std::string>{"GetDeviceParameter(0)", "GetDeviceParameter(2)", "GetDeviceParameter(3)",
                                           "GetDeviceParameter(4)", "GetDeviceParameter(5)", "GetDeviceParameter(6)"}));
    }

    void reopenDoesNotDuplicatePeripherals() {
        Device device = openedBoard();
        device.close();
        QCOMPARE(device.handle(), -1);
        QCOMPARE(device.sensorInputs().size(), std::size_t(64)); // close keeps the lists
        device.open();
        QCOMPARE(device.analogInputs().size(), std::size_t(4));
        QCOMPARE(device.sensorInputs().size(), std::size_t(64));
        QCOMPARE(device.digitalPorts().size(), std::size_t(2));
        QCOMPARE(device.digitalPorts()[1].lineNames.size(), std::size_t(4));
        QCOMPARE(device.counters().size(), std::size_t(1));
        QCOMPARE(device.triggers().size(), std::size_t(1));
        device.close();
        QVERIFY(!Emulator::boardState(0).open);
    }

    void missingPeripheralsGiveEmptyLists() {
        Emulator::BoardConfig board;
        board.analogInputs = 0;
        board.sensorInputs = 0;
        board.digitalPortLines = {};
        board.counters = 0;
        board.triggers = 0;
        board.manualClock = true;
        Emulator::setBoards({board});

        Device device = openedBoard();
        QVERIFY(device.analogInputs().empty());
        QVERIFY(device.sensorInputs().empty());
        QVERIFY(device.digitalPorts().empty());
        QVERIFY(device.counters().empty());
        QVERIFY(device.triggers().empty());
        device.startDataAcquisition(50, false);
        Emulator::pushFrames(0, 2);
        const std::vector<Frame> frames = device.readNonBlocking();
        QCOMPARE(frames.size(), std::size_t(2));
        QVERIFY(frames[1].sensorValues.empty());
        QVERIFY(frames[1].counterValues.empty());
        device.close();
    }

    void readLayout() {
        Emulator::setBoards({numberedBoard()});
        Device device = openedBoard();
        device.startDataAcquisition(50, false);
        QVERIFY(device.readNonBlocking().empty());

        Emulator::pushFrames(0, 3);
        const std::vector<Frame> frames = device.readNonBlocking();
        QCOMPARE(frames.size(), std::size_t(3));
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const Frame& frame = frames[k];
            QCOMPARE(frame.analogValues.size(), std::size_t(4));
            QCOMPARE(frame.sensorValues.size(), std::size_t(64));
            QCOMPARE(frame.digitalValues.size(), std::size_t(2));
            QCOMPARE(frame.counterValues.size(), std::size_t(1));
            QCOMPARE(frame.triggerValues.size(), std::size_t(1));
            for (std::size_t i = 0; i < 4; ++i)
                QCOMPARE(frame.analogValues[i], static_cast<float>(k * 68 + i));
            for (std::size_t i = 0; i < 64; ++i)
                QCOMPARE(frame.sensorValues[i], static_cast<float>(k * 68 + 4 + i));
            QCOMPARE(frame.digitalValues, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(k * 4),
                                                                      static_cast<std::uint32_t>(k * 4 + 1)}));
            QCOMPARE(frame.counterValues[0], static_cast<std::uint32_t>(k * 4 + 2));
            QCOMPARE(frame.triggerValues[0], static_cast<std::uint32_t>(k * 4 + 3));
        }
        QCOMPARE(frames[2].sensorValues.front(), 140.0f);
        QCOMPARE(frames[2].sensorValues.back(), 203.0f);
        QCOMPARE(frames[2].counterValues[0], 10u);

        // The frames are handed out once.
        QVERIFY(device.readNonBlocking().empty());
        device.stopDataAcquisition();
        device.close();
    }

    void readReturnsAtMostFramesPerRead() {
        Emulator::BoardConfig board = numberedBoard();
        board.framesPerRead = 5;
        Emulator::setBoards({board});
        Device device = openedBoard();
        device.startDataAcquisition(50, false);
        Emulator::pushFrames(0, 7);
        const std::vector<Frame> first = device.readNonBlocking();
        const std::vector<Frame> second = device.readNonBlocking();
        QCOMPARE(first.size(), std::size_t(5));
        QCOMPARE(second.size(), std::size_t(2));
        QCOMPARE(second[0].counterValues[0], static_cast<std::uint32_t>(5 * 4 + 2));
        device.close();
    }

    void refusedRates_data() {
        QTest::addColumn<float>("rate");
        QTest::newRow("zero") << 0.0f;
        QTest::newRow("negative") << -5.0f;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN();
    }

    void refusedRates() {
        QFETCH(float, rate);
        Device device = openedBoard();
        Emulator::clearCalls();
        QCOMPARE(failureOf<std::invalid_argument>([&] { device.startDataAcquisition(rate, false); }),
                 QString("frameRate must be > 0"));
        QVERIFY(Emulator::calls().empty());
        QVERIFY(!Emulator::boardState(0).running);
        device.close();
    }

    void slowRateAccepted() {
        Device device = openedBoard();
        Emulator::clearCalls();
        device.startDataAcquisition(0.5f, false);
        QCOMPARE(Emulator::calls(), std::vector<std::string>{"StartDataAcquisition(0, 0.5, -1)"});
        const Emulator::BoardState state = Emulator::boardState(0);
        QVERIFY(state.running);
        QCOMPARE(state.rate, 0.5f);
        device.stopDataAcquisition();
        QVERIFY(!Emulator::boardState(0).running);
        device.close();
    }

    void outputsReachTheBoard() {
        Device device = openedBoard();
        Emulator::clearCalls();
        device.setColumnSensitivity(3, 12);
        device.digitalPorts()[1].setOutputEnableMask(0xF);
        device.digitalPorts()[1].write(0x5);
        device.counters()[0].setConfig(0x7D401A00);
        device.counters()[0].setEnabled(true);
        device.counters()[0].setEnabled(false);
        device.counters()[0].reset();
        device.setupInputFrame({device.counters()[0], device.digitalPorts()[1], device.sensorInputs()[7]});

        QCOMPARE(
            Emulator::calls(),
            (std::vector<std::string>{"SetColumnSensitivity(3, 12)", "SetDigitalPortOutputEnableMask(0x7D401001, 0xF)",
                                      "WriteDigitalPort(0x7D401001, 0x5)", "SetCounterConfig(0x7D401500, 0x7D401A00)",
                                      "SetCounterEnable(0x7D401500, 1)", "SetCounterEnable(0x7D401500, 0)",
                                      "ResetCounter(0x7D401500)", "SetupInputFrame(3)"}));
        const Emulator::BoardState state = Emulator::boardState(0);
        QCOMPARE(state.columnSensitivity.at(3), 12);
        QCOMPARE(state.outputEnableMask.at(1), 0xFu);
        QCOMPARE(state.outputValue.at(1), 0x5u);
        QCOMPARE(state.counterConfig, 0x7D401A00u);
        QVERIFY(!state.counterEnabled);
        QCOMPARE(state.frameInputs, (std::vector<std::uint32_t>{0x7D401500, 0x7D401001, 0x7D401B07}));
        device.close();
    }

    void operationFailuresCarryTheLibraryText() {
        Device device = openedBoard();
        Emulator::injectFault({"ReadNonBlocking", 3, "buffer overflow", 0, 1});
        Emulator::injectFault({"SetCounterEnable", 3, "", 0, 1});
        QCOMPARE(failureOf<std::runtime_error>([&] { device.readNonBlocking(); }), QString("buffer overflow"));
        QCOMPARE(failureOf<std::runtime_error>([&] { device.counters()[0].setEnabled(true); }), QString());
        // One failure only: the next calls go through.
        QVERIFY(device.readNonBlocking().empty());
        device.counters()[0].setEnabled(true);
        device.close();
    }

    void networkOpenPassesHostAndPort() {
        Device device("127.0.0.1", 10001, DeviceType::kivraTolm());
        QVERIFY(device.isNetwork());
        QCOMPARE(device.host(), std::string("127.0.0.1"));
        QCOMPARE(device.port(), 10001);
        QVERIFY(device.identifier().empty());
        Emulator::clearCalls();
        const QString failure = failureOf<std::runtime_error>([&] { device.open(); });
        QVERIFY2(failure.contains("127.0.0.1:10001"), qPrintable(failure));
        const std::vector<std::string> opens = callsStartingWith("OpenNetwork(");
        QCOMPARE(opens.size(), std::size_t(1));
        QVERIFY2(opens[0].rfind("OpenNetwork(127.0.0.1, 10001", 0) == 0, opens[0].c_str());
        device.close();
        QCOMPARE(device.handle(), -1);
    }
};

QTEST_GUILESS_MAIN(tst_Device)
#include "tst_Device.moc"
