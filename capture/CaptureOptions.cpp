#include "CaptureOptions.h"

#include "BenchTopics.h"
#include "Connection.h"

#include "Duration.h"
#include "FileNamePattern.h"
#include "StartArguments.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace {

constexpr double lowestRate = 0.5;
constexpr double highestRate = 10000;
constexpr int longestInterval = 86400;
// The history lives in memory, about 300 bytes a frame.
constexpr int mostPreTrigger = 100000;
constexpr int mostReconnects = 1000000;
constexpr int mostFrames = std::numeric_limits<int>::max();

const QString seeHelp = QStringLiteral(" (see kivratolm-capture --help)");

std::optional<SensorPosition> sensorPosition(const QString& name) {
    return SensorPosition::fromName(name.toStdString());
}

QString unknownSensor(const QString& name) {
    return QStringLiteral("unknown sensor '%1': sensors are named A1 to H8 (column letter, row number)").arg(name);
}

// The values of a repeatable option, each split at commas.
QStringList commaSeparated(const QStringList& values) {
    QStringList items;
    for (const QString& value : values)
        items += value.split(QLatin1Char(','));
    for (QString& item : items)
        item = item.trimmed();
    return items;
}

class Reader {
public:
    explicit Reader(const QStringList& arguments) {
        define();
        ok = parser.parse(arguments);
    }

    CaptureOptionsResult read() {
        CaptureOptionsResult result;
        if (!ok) {
            result.error = parser.errorText() + seeHelp;
            return result;
        }
        CaptureOptions& o = result.options;
        if (parser.isSet(help))
            o.action = CaptureOptions::Action::Help;
        else if (parser.isSet(version))
            o.action = CaptureOptions::Action::Version;
        else if (parser.isSet(list))
            o.action = CaptureOptions::Action::List;
        if (o.action != CaptureOptions::Action::Capture)
            return result;

        result.error = readCapture(o);
        return result;
    }

private:
    void define() {
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        parser.addOptions({help,   version,      list,      rate, interval,   pre,      samples,
                           time,   trigger,      timeout,   log,  sensors,    output,   overwrite,
                           events, quiet,        reconnect, mqtt, mqttPrefix, mqttUser, mqttPasswordFile,
                           mqttCa, mqttClientId, mqttLive,  serve});
    }

    QString readCapture(CaptureOptions& o) {
        for (const auto& step : {&Reader::readBoard, &Reader::readTiming, &Reader::readLength, &Reader::readTriggers,
                                 &Reader::readColumns, &Reader::readServe, &Reader::readOutput, &Reader::readMqtt}) {
            const QString error = (this->*step)(o);
            if (!error.isEmpty())
                return error;
        }
        return {};
    }

    // use= and cfg= exactly as the two programs read them.
    QString readBoard(CaptureOptions& o) {
        bool deviceGiven = false;
        for (const QString& argument : parser.positionalArguments()) {
            if (argument.startsWith(QLatin1String("use="))) {
                const StartArguments start = parseStartArguments({argument});
                if (start.bus.isEmpty() || start.address.isEmpty())
                    return QStringLiteral("'%1' does not name a board: write use=usb/- for the board on USB or "
                                          "use=net/HOST:PORT for a network board")
                        .arg(argument);
                if (start.bus != QLatin1String("usb") && start.bus != QLatin1String("net"))
                    return QStringLiteral("unknown bus '%1' in '%2': the bus is usb or net").arg(start.bus, argument);
                // What the engine would refuse at once is an error of the command line.
                if (start.bus == QLatin1String("net")) {
                    try {
                        KivraTolm::parseNetworkAddress(start.address.toStdString());
                    } catch (const std::exception& error) {
                        return QStringLiteral("'%1' is no network address: %2")
                            .arg(argument, QString::fromStdString(error.what()));
                    }
                }
                o.bus = start.bus;
                o.address = start.address;
                deviceGiven = true;
            } else if (argument.startsWith(QLatin1String("cfg="))) {
                o.calibrationFile = parseStartArguments({argument}).calibrationFile;
            } else {
                return QStringLiteral("unexpected argument '%1': the board is given as use=BUS/ADDRESS, the "
                                      "calibration as cfg=FILE, everything else as an option")
                           .arg(argument) +
                       seeHelp;
            }
        }
        if (!deviceGiven)
            return QStringLiteral("no board given: add use=usb/- for the board on USB or use=net/HOST:PORT for a "
                                  "network board");
        return {};
    }

    QString readTiming(CaptureOptions& o) {
        if (parser.isSet(rate) && parser.isSet(interval))
            return QStringLiteral("--rate and --interval exclude each other: give one of them");
        if (parser.isSet(rate)) {
            bool number = false;
            const double value = parser.value(rate).toDouble(&number);
            if (!number || !(value >= lowestRate && value <= highestRate))
                return QStringLiteral("--rate takes frames per second from 0.5 to 10000, not '%1'")
                    .arg(parser.value(rate));
            o.rate = value;
        }
        if (parser.isSet(interval)) {
            bool number = false;
            const int value = parser.value(interval).toInt(&number);
            if (!number || value < 1 || value > longestInterval)
                return QStringLiteral("--interval takes whole seconds from 1 to %1, not '%2'")
                    .arg(longestInterval)
                    .arg(parser.value(interval));
            o.interval = value;
            o.rate = 1.0 / value;
        }
        return {};
    }

    QString readLength(CaptureOptions& o) {
        if (parser.isSet(pre)) {
            bool number = false;
            const int value = parser.value(pre).toInt(&number);
            if (!number || value < 0 || value > mostPreTrigger)
                return QStringLiteral("--pre takes a number of frames from 0 to %1, not '%2'")
                    .arg(mostPreTrigger)
                    .arg(parser.value(pre));
            o.preTrigger = value;
        }
        if (parser.isSet(samples) && parser.isSet(time))
            return QStringLiteral("--samples and --time exclude each other: give the length one way");
        if (parser.isSet(samples)) {
            bool number = false;
            const int value = parser.value(samples).toInt(&number);
            if (!number || value < 1)
                return QStringLiteral("--samples takes a number of frames from 1 to %1, not '%2'")
                    .arg(mostFrames)
                    .arg(parser.value(samples));
            o.captureSamples = value;
        }
        if (parser.isSet(time)) {
            const std::optional<qint64> ms = parseDuration(parser.value(time));
            if (!ms)
                return QStringLiteral("--time takes a duration such as 90s, 1m30s, 2h or hh:mm:ss, not '%1'")
                    .arg(parser.value(time));
            // As the DAQ window converts its capture time: truncated.
            const double frames = std::trunc(o.rate * static_cast<double>(*ms) / 1000.0);
            if (frames < 1)
                return QStringLiteral("--time %1 is shorter than one frame at %2 frames per second")
                    .arg(parser.value(time))
                    .arg(o.rate);
            if (frames > mostFrames)
                return QStringLiteral("--time %1 is more than %2 frames at %3 frames per second")
                    .arg(parser.value(time))
                    .arg(mostFrames)
                    .arg(o.rate);
            o.captureSamples = static_cast<int>(frames);
            o.lengthAsTime = parser.value(time);
        }
        if (parser.isSet(timeout)) {
            bool number = false;
            const double seconds = parser.value(timeout).toDouble(&number);
            if (!number || !(seconds >= 0.001 && seconds <= 1e9))
                return QStringLiteral("--timeout takes seconds (more than 0), not '%1'").arg(parser.value(timeout));
            o.timeoutMs = static_cast<qint64>(seconds * 1000);
        }
        return {};
    }

    QString readTriggers(CaptureOptions& o) {
        static const QRegularExpression level(QStringLiteral("^level:([^>]*)>(.*)$"));
        for (const QString& value : parser.values(trigger)) {
            if (value == QLatin1String("force")) {
                o.forceTrigger = true;
                continue;
            }
            if (value == QLatin1String("external")) {
                o.externalTrigger = true;
                continue;
            }
            if (!value.startsWith(QLatin1String("level:")))
                return QStringLiteral("unknown trigger '%1': give force, external or 'level:SENSOR>VALUE' such as "
                                      "'level:A1>12.5'")
                    .arg(value);
            const QRegularExpressionMatch match = level.match(value);
            if (!match.hasMatch())
                return QStringLiteral("'%1' lacks '>VALUE': quote the whole trigger, e.g. --trigger "
                                      "'level:A1>12.5' (unquoted, the shell takes > for a redirection)")
                    .arg(value);
            const auto sensor = sensorPosition(match.captured(1));
            if (!sensor)
                return unknownSensor(match.captured(1)) + QStringLiteral(" in '%1'").arg(value);
            bool number = false;
            const double threshold = match.captured(2).toDouble(&number);
            if (!number || !std::isfinite(static_cast<float>(threshold)))
                return QStringLiteral("the level in '%1' is not a number: write it like 12.5").arg(value);
            for (const LevelTriggerOption& given : o.levelTriggers) {
                if (given.sensor == *sensor)
                    return QStringLiteral("two levels for sensor %1: give one level per sensor")
                        .arg(QString::fromStdString(sensor->name()));
            }
            o.levelTriggers.push_back({*sensor, static_cast<float>(threshold)});
        }
        if (!parser.isSet(trigger))
            o.forceTrigger = true;
        return {};
    }

    QString readColumns(CaptureOptions& o) {
        for (const QString& name : commaSeparated(parser.values(log))) {
            if (name == QLatin1String("timestamp"))
                o.logTimestamp = true;
            else if (name == QLatin1String("analog"))
                o.logAnalog = {true, true, true, true};
            else if (name.size() == 7 && name.startsWith(QLatin1String("analog")) && name[6] >= QLatin1Char('0') &&
                     name[6] <= QLatin1Char('3'))
                o.logAnalog[static_cast<std::size_t>(name[6].unicode() - '0')] = true;
            else if (name == QLatin1String("digital"))
                o.logDigital = true;
            else if (name == QLatin1String("counter"))
                o.logCounter = true;
            else
                return QStringLiteral("unknown log column '%1': the columns are timestamp, analog, analog0, "
                                      "analog1, analog2, analog3, digital and counter")
                    .arg(name);
        }
        if (!parser.isSet(sensors))
            return {};
        const QStringList names = commaSeparated(parser.values(sensors));
        if (names == QStringList{QStringLiteral("all")}) {
            o.sensors = SensorChoice::All;
            return {};
        }
        o.sensors = SensorChoice::Listed;
        if (names == QStringList{QStringLiteral("none")})
            return {};
        for (const QString& name : names) {
            if (name == QLatin1String("all") || name == QLatin1String("none"))
                return QStringLiteral("--sensors takes all, none or a list such as A1,B2: not '%1' among others")
                    .arg(name);
            const auto sensor = sensorPosition(name);
            if (!sensor)
                return unknownSensor(name);
            o.listedSensors[static_cast<std::size_t>(sensor->index())] = true;
        }
        return {};
    }

    // A served bench takes each capture's options from its command.
    QString readServe(CaptureOptions& o) {
        if (!parser.isSet(serve))
            return {};
        if (!parser.isSet(mqtt))
            return QStringLiteral("--serve needs --mqtt HOST[:PORT]: the commands come through the broker");
        for (const QCommandLineOption* option : {&output, &pre, &samples, &time, &trigger, &timeout, &overwrite}) {
            if (parser.isSet(*option))
                return QStringLiteral("--%1 is given with each capture command of a served bench, not with --serve")
                    .arg(option->names().constLast());
        }
        const QFileInfo dir(parser.value(serve));
        if (!dir.isDir())
            return QStringLiteral("--serve takes an existing folder for the logs, not '%1'").arg(parser.value(serve));
        o.serveDir = dir.canonicalFilePath();
        return {};
    }

    QString readOutput(CaptureOptions& o) {
        if (o.serves())
            return readReports(o);
        if (!parser.isSet(output))
            return QStringLiteral("no output given: add -o FILE, or -o - for standard output");
        o.output = parser.value(output);
        if (o.output.isEmpty())
            return QStringLiteral("-o needs a file name, or - for standard output");
        if (!o.toStandardOutput()) {
            const FileNamePattern pattern(o.output);
            if (!pattern.isValid())
                return QStringLiteral("-o '%1': %2; a file name may hold {n}, {date} and {time}, and {{ or }} for a "
                                      "brace")
                    .arg(o.output, pattern.error());
        }
        o.overwrite = parser.isSet(overwrite);
        return readReports(o);
    }

    QString readReports(CaptureOptions& o) {
        o.events = parser.isSet(events);
        o.quiet = parser.isSet(quiet);
        if (parser.isSet(reconnect)) {
            bool number = false;
            const int value = parser.value(reconnect).toInt(&number);
            if (!number || value < 0 || value > mostReconnects)
                return QStringLiteral("--reconnect takes a number of attempts from 0 to %1, not '%2'")
                    .arg(mostReconnects)
                    .arg(parser.value(reconnect));
            o.reconnect = value;
        }
        return {};
    }

    QString readMqtt(CaptureOptions& o) {
        if (!parser.isSet(mqtt)) {
            for (const QCommandLineOption* companion :
                 {&mqttPrefix, &mqttUser, &mqttPasswordFile, &mqttCa, &mqttClientId, &mqttLive}) {
                if (parser.isSet(*companion))
                    return QStringLiteral("--%1 needs --mqtt HOST[:PORT]").arg(companion->names().constFirst());
            }
            return {};
        }
        MqttOptions& m = o.mqtt;
        const QString broker = parser.value(mqtt);
        static const QRegularExpression hostPort(QStringLiteral("^([^:\\s]+)(?::(\\d{1,5}))?$"));
        const QRegularExpressionMatch match = hostPort.match(broker);
        const int port = match.captured(2).isEmpty() ? 1883 : match.captured(2).toInt();
        if (!match.hasMatch() || port < 1 || port > 65535)
            return QStringLiteral("--mqtt takes the broker as HOST or HOST:PORT (port 1 to 65535), not '%1'")
                .arg(broker);
        m.host = match.captured(1);
        m.port = port;
        if (parser.isSet(mqttPrefix)) {
            m.prefix = parser.value(mqttPrefix);
            const QString problem = benchPrefixProblem(m.prefix);
            if (!problem.isEmpty())
                return QStringLiteral("--mqtt-prefix '%1' %2: give topic levels such as lab/bench1")
                    .arg(m.prefix, problem);
        }
        m.user = parser.value(mqttUser);
        m.passwordFile = parser.value(mqttPasswordFile);
        if (!m.passwordFile.isEmpty() && m.user.isEmpty())
            return QStringLiteral("--mqtt-password-file needs --mqtt-user");
        m.caFile = parser.value(mqttCa);
        m.clientId = parser.value(mqttClientId);
        if (m.clientId.toUtf8().size() > 65535)
            return QStringLiteral("--mqtt-client-id is longer than 65535 bytes");
        if (parser.isSet(mqttLive)) {
            const QString live = parser.value(mqttLive);
            if (live == QLatin1String("tick"))
                m.live = LiveMode::Tick;
            else if (live == QLatin1String("all"))
                m.live = LiveMode::All;
            else if (live == QLatin1String("off"))
                m.live = LiveMode::Off;
            else
                return QStringLiteral("--mqtt-live takes tick, all or off, not '%1'").arg(live);
        }
        return {};
    }

    QCommandLineParser parser;
    bool ok = false;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QString()};
    const QCommandLineOption version{QStringLiteral("version"), QString()};
    const QCommandLineOption list{QStringLiteral("list"), QString()};
    const QCommandLineOption rate{QStringLiteral("rate"), QString(), QStringLiteral("HZ")};
    const QCommandLineOption interval{QStringLiteral("interval"), QString(), QStringLiteral("SECONDS")};
    const QCommandLineOption pre{QStringLiteral("pre"), QString(), QStringLiteral("N")};
    const QCommandLineOption samples{QStringLiteral("samples"), QString(), QStringLiteral("N")};
    const QCommandLineOption time{QStringLiteral("time"), QString(), QStringLiteral("DURATION")};
    const QCommandLineOption trigger{QStringLiteral("trigger"), QString(), QStringLiteral("TRIGGER")};
    const QCommandLineOption timeout{QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS")};
    const QCommandLineOption log{QStringLiteral("log"), QString(), QStringLiteral("COLUMNS")};
    const QCommandLineOption sensors{QStringLiteral("sensors"), QString(), QStringLiteral("SENSORS")};
    const QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("FILE")};
    const QCommandLineOption overwrite{QStringLiteral("overwrite"), QString()};
    const QCommandLineOption events{QStringLiteral("events"), QString()};
    const QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")}, QString()};
    const QCommandLineOption reconnect{QStringLiteral("reconnect"), QString(), QStringLiteral("N")};
    const QCommandLineOption mqtt{QStringLiteral("mqtt"), QString(), QStringLiteral("HOST[:PORT]")};
    const QCommandLineOption mqttPrefix{QStringLiteral("mqtt-prefix"), QString(), QStringLiteral("PREFIX")};
    const QCommandLineOption mqttUser{QStringLiteral("mqtt-user"), QString(), QStringLiteral("NAME")};
    const QCommandLineOption mqttPasswordFile{QStringLiteral("mqtt-password-file"), QString(), QStringLiteral("FILE")};
    const QCommandLineOption mqttCa{QStringLiteral("mqtt-ca"), QString(), QStringLiteral("FILE")};
    const QCommandLineOption mqttClientId{QStringLiteral("mqtt-client-id"), QString(), QStringLiteral("ID")};
    const QCommandLineOption mqttLive{QStringLiteral("mqtt-live"), QString(), QStringLiteral("MODE")};
    const QCommandLineOption serve{QStringLiteral("serve"), QString(), QStringLiteral("DIR")};
};

} // namespace

CaptureOptionsResult parseCaptureOptions(const QStringList& arguments) {
    return Reader(arguments).read();
}

QString captureHelpText() {
    return QStringLiteral(R"(Usage: kivratolm-capture use=BUS/ADDRESS [cfg=FILE] -o FILE|- [options]
       kivratolm-capture --list | --help | --version

Captures frames of a Kivra Tolm board into a CSV log around a trigger, without
a display: the same capture, trigger and log as the DAQ window's.

Board and calibration, as for kivratolm-daq-lite-x86:
  use=usb/-               the board on USB
  use=net/HOST:PORT       a network board
  cfg=FILE                calibration file (*.tolmcal3); without it the sensors
                          keep their raw readings

Timing:
  --rate HZ               frames per second, 0.5 to 10000 (default 50); above
                          1000 the frame period is 0 ms and time stamps repeat
  --interval SECONDS      log one frame every SECONDS (the board runs at 10/s)

Length:
  --pre N                 frames of history before the trigger (default 0)
  --samples N             frames from the trigger on
  --time DURATION         the same as a time: 90s, 1m30s, 2h or hh:mm:ss
                          (frames = rate x time, truncated)
                          without --samples or --time: until stopped

Trigger (repeatable; the first that fires counts; default force):
  --trigger force         as soon as the history holds the --pre frames
  --trigger external      a change of the board's counter
  --trigger 'level:SENSOR>VALUE'
                          a sensor's calibrated value above VALUE, in the
                          calibration's unit; only sensors with calibration
                          points; quote it, the shell reads > as a redirection
  --timeout SECONDS       give up when nothing triggered by then (exit 6)

Log:
  -o FILE                 the CSV log; an existing file is refused. {n} in the
                          name: the lowest number from 1 whose file does not
                          exist (never refused); {date}: yyyyMMdd, {time}:
                          HHmmss (local); {{ and }}: a brace
  -o -                    the log to standard output
  --overwrite             replace an existing file
  --log COLUMNS           optional columns, comma-separated: timestamp, analog,
                          analog0..analog3, digital, counter (default none)
  --sensors SENSORS       all, none or a list such as A1,B2 (default: the
                          sensors the calibration enables)

Reports:
  --events                one JSON object per line on standard output (standard
                          error with -o -): armed, triggered, progress,
                          write_error, reconnect, done, error (and broker with
                          --mqtt)
  -q, --quiet             no progress line on a terminal
  --reconnect N           after a board error, start again up to N times, a
                          second apart, and go on with the same capture

Network (an MQTT broker; the capture never waits for it):
  --mqtt HOST[:PORT]      publish status, live values, events and the
                          description to this broker (port 1883 by default)
  --mqtt-prefix PREFIX    the topics' prefix (default kivratolm/HOST/BOARD)
  --mqtt-user NAME        log in as NAME; the password comes from
  --mqtt-password-file FILE
                          the first line of FILE, or else the environment
                          variable KIVRA_MQTT_PASSWORD
  --mqtt-ca FILE          TLS, the broker's certificate checked against FILE
  --mqtt-client-id ID     the client identifier (default kivratolm-capture-
                          HOST-PID)
  --mqtt-live MODE        tick: the newest frame of each tick (default); all:
                          every frame; off: no live values
  --serve DIR             keep the board open and take capture, force, stop
                          and status commands on PREFIX/command, replies on
                          PREFIX/reply; logs only inside DIR; until SIGINT or
                          SIGTERM (needs --mqtt)

  --list                  the boards on USB, then exit
  -h, --help              this text
  --version               the version

Exit codes: 0 the capture ended as asked (its length, or stopped by SIGINT or
SIGTERM when no length was given); 2 usage; 3 the board; 4 the calibration
file; 5 the output file; 6 no trigger before --timeout; 130 stopped by a signal
before the length was reached.
)");
}
