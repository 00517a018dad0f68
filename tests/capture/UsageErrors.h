// The command lines kivratolm-capture refuses as usage errors (exit code 2),
// each with a piece of the message that must name the argument at fault.
// Both the parser's test and the test of the running tool use them.
#pragma once

#include <QStringList>
#include <QtTest>

inline void addUsageErrorRows() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QStringList out = {"-o", "x.csv"};
    const QStringList usb = QStringList{"use=usb/-"} + out;
    QTest::newRow("no board") << out << "no board given: add use=usb/-";
    QTest::newRow("use= with one piece") << QStringList{"use=usb"} + out << "'use=usb' does not name a board";
    QTest::newRow("use= with three pieces")
        << QStringList{"use=net/a/b"} + out << "'use=net/a/b' does not name a board";
    QTest::newRow("use= without address") << QStringList{"use=usb/"} + out << "'use=usb/' does not name a board";
    QTest::newRow("unknown bus") << QStringList{"use=USB/-"} + out << "unknown bus 'USB' in 'use=USB/-'";
    QTest::newRow("network address without port")
        << QStringList{"use=net/10.0.0.5"} + out
        << "'use=net/10.0.0.5' is no network address: Invalid format for NET device.";
    QTest::newRow("port not a number")
        << QStringList{"use=net/host:abc"} + out
        << "'use=net/host:abc' is no network address: The port in host:port must be a number, not \"abc\".";
    QTest::newRow("port beyond 32 bits") << QStringList{"use=net/host:99999999999"} + out
                                         << "The port in host:port is out of range: \"99999999999\".";
    QTest::newRow("stray argument") << usb + QStringList{"capture.csv"} << "unexpected argument 'capture.csv'";
    QTest::newRow("unknown option") << usb + QStringList{"--frames", "3"} << "Unknown option 'frames'";
    QTest::newRow("missing value") << usb + QStringList{"--rate"} << "Missing value after '--rate'";
    QTest::newRow("no output") << QStringList{"use=usb/-"} << "no output given: add -o FILE";
    QTest::newRow("empty output") << QStringList{"use=usb/-", "-o", ""} << "-o needs a file name";
    QTest::newRow("unknown placeholder in the output")
        << QStringList{"use=usb/-", "-o", "run-{x}.csv"} << "-o 'run-{x}.csv': unknown placeholder {x}";
    QTest::newRow("--serve without --mqtt")
        << QStringList{"use=usb/-", "--serve", "/"} << "--serve needs --mqtt HOST[:PORT]";
    QTest::newRow("--serve with -o") << usb + QStringList{"--mqtt", "h", "--serve", "/"}
                                     << "--output is given with each capture command of a served bench";
    QTest::newRow("--serve without a folder") << QStringList{"use=usb/-", "--mqtt", "h", "--serve", "/no/such/folder"}
                                              << "--serve takes an existing folder for the logs, not '/no/such/folder'";
    QTest::newRow("rate not a number") << usb + QStringList{"--rate", "fast"}
                                       << "--rate takes frames per second from 0.5 to 10000, not 'fast'";
    QTest::newRow("rate too low") << usb + QStringList{"--rate", "0.4"} << "not '0.4'";
    QTest::newRow("rate too high") << usb + QStringList{"--rate", "10001"} << "not '10001'";
    QTest::newRow("rate and interval") << usb + QStringList{"--rate", "5", "--interval", "2"}
                                       << "--rate and --interval exclude each other";
    QTest::newRow("interval zero") << usb + QStringList{"--interval", "0"}
                                   << "--interval takes whole seconds from 1 to 86400, not '0'";
    QTest::newRow("interval fraction") << usb + QStringList{"--interval", "1.5"} << "not '1.5'";
    QTest::newRow("pre negative") << usb + QStringList{"--pre", "-1"}
                                  << "--pre takes a number of frames from 0 to 100000, not '-1'";
    QTest::newRow("pre too long") << usb + QStringList{"--pre", "100001"} << "not '100001'";
    QTest::newRow("samples zero") << usb + QStringList{"--samples", "0"}
                                  << "--samples takes a number of frames from 1 to 2147483647, not '0'";
    QTest::newRow("samples beyond int") << usb + QStringList{"--samples", "3000000000"} << "not '3000000000'";
    QTest::newRow("samples and time") << usb + QStringList{"--samples", "5", "--time", "1s"}
                                      << "--samples and --time exclude each other";
    QTest::newRow("time without sense") << usb + QStringList{"--time", "soon"}
                                        << "--time takes a duration such as 90s, 1m30s, 2h or hh:mm:ss, not 'soon'";
    QTest::newRow("time clock minutes") << usb + QStringList{"--time", "1:60:00"} << "not '1:60:00'";
    QTest::newRow("time below one frame") << usb + QStringList{"--time", "10ms"} << "not '10ms'";
    QTest::newRow("time shorter than a frame") << usb + QStringList{"--rate", "1", "--time", "0.5s"}
                                               << "--time 0.5s is shorter than one frame at 1 frames per second";
    QTest::newRow("time too long") << usb + QStringList{"--rate", "10000", "--time", "100h"}
                                   << "--time 100h is more than 2147483647 frames";
    QTest::newRow("unknown trigger") << usb + QStringList{"--trigger", "now"} << "unknown trigger 'now'";
    QTest::newRow("unquoted level") << usb + QStringList{"--trigger", "level:A1"}
                                    << "'level:A1' lacks '>VALUE': quote the whole trigger";
    QTest::newRow("level on an unknown sensor")
        << usb + QStringList{"--trigger", "level:I1>3"} << "unknown sensor 'I1': sensors are named A1 to H8";
    QTest::newRow("level row 9") << usb + QStringList{"--trigger", "level:A9>3"} << "unknown sensor 'A9'";
    QTest::newRow("level not a number") << usb + QStringList{"--trigger", "level:A1>high"}
                                        << "the level in 'level:A1>high' is not a number";
    QTest::newRow("level beyond float") << usb + QStringList{"--trigger", "level:A1>1e39"}
                                        << "the level in 'level:A1>1e39' is not a number";
    QTest::newRow("two levels for a sensor")
        << usb + QStringList{"--trigger", "level:B2>1", "--trigger", "level:b2>2"} << "two levels for sensor B2";
    QTest::newRow("timeout zero") << usb + QStringList{"--timeout", "0"}
                                  << "--timeout takes seconds (more than 0), not '0'";
    QTest::newRow("timeout text") << usb + QStringList{"--timeout", "1m"} << "not '1m'";
    QTest::newRow("unknown column") << usb + QStringList{"--log", "timestamp,temperature"}
                                    << "unknown log column 'temperature'";
    QTest::newRow("analog4") << usb + QStringList{"--log", "analog4"} << "unknown log column 'analog4'";
    QTest::newRow("empty column") << usb + QStringList{"--log", "counter,"} << "unknown log column ''";
    QTest::newRow("unknown sensor") << usb + QStringList{"--sensors", "A1,Z3"} << "unknown sensor 'Z3'";
    QTest::newRow("all among sensors") << usb + QStringList{"--sensors", "all,A1"}
                                       << "--sensors takes all, none or a list such as A1,B2";
    QTest::newRow("reconnect negative") << usb + QStringList{"--reconnect", "-2"}
                                        << "--reconnect takes a number of attempts from 0 to 1000000, not '-2'";
    QTest::newRow("mqtt port") << usb + QStringList{"--mqtt", "broker:70000"}
                               << "--mqtt takes the broker as HOST or HOST:PORT (port 1 to 65535), not 'broker:70000'";
    QTest::newRow("mqtt companion alone")
        << usb + QStringList{"--mqtt-live", "all"} << "--mqtt-live needs --mqtt HOST[:PORT]";
    QTest::newRow("mqtt live mode") << usb + QStringList{"--mqtt", "b", "--mqtt-live", "some"}
                                    << "--mqtt-live takes tick, all or off, not 'some'";
    QTest::newRow("mqtt prefix wildcard")
        << usb + QStringList{"--mqtt", "b", "--mqtt-prefix", "lab/#"} << "--mqtt-prefix 'lab/#' contains a wildcard";
    QTest::newRow("mqtt password without user")
        << usb + QStringList{"--mqtt", "b", "--mqtt-password-file", "p"} << "--mqtt-password-file needs --mqtt-user";
}
