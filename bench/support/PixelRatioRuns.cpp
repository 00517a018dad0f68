#include "PixelRatioRuns.h"

#include "StartUp.h"

#include <QByteArray>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const char ratioOption[] = "--pixel-ratio=";
const QString resultMark = QStringLiteral("@result ");

} // namespace

namespace PixelRatioRuns {

int childRatio(int& argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], ratioOption, sizeof ratioOption - 1) != 0)
            continue;
        const int ratio = std::atoi(argv[i] + sizeof ratioOption - 1);
        for (int j = i; j + 1 < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        return ratio;
    }
    return 0;
}

void prepareChild(int ratio) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen screen has 96 dpi, a factor of 1 of its own.
    qputenv("QT_SCALE_FACTOR", QByteArray::number(ratio));
    enableHighDpiScaling();
}

void printResult(const QString& key, const QList<double>& values) {
    QString line = resultMark + key;
    for (double value : values)
        line += QLatin1Char(' ') + QString::number(value, 'g', 8);
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

double Results::median(int ratio, const QString& key, int index) const {
    QList<double> values;
    for (const auto& result : byRatio.value(ratio)) {
        if (result.first == key && index < result.second.size())
            values.append(result.second[index]);
    }
    if (values.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Results run(const QString& program, const QStringList& arguments, int rounds) {
    Results results;
    for (int round = 0; round < rounds; ++round) {
        for (int ratio : round % 2 == 0 ? QList<int>{1, 2} : QList<int>{2, 1}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(program, QStringList{QString::fromLatin1(ratioOption) + QString::number(ratio)} + arguments);
            if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                std::fprintf(stderr, "the measurement at pixel ratio %d failed\n", ratio);
                std::exit(1);
            }
            const QStringList lines = QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char('\n'));
            for (const QString& line : lines) {
                if (!line.startsWith(resultMark)) {
                    if (!line.isEmpty())
                        std::printf("  [ratio %d] %s\n", ratio, qPrintable(line));
                    continue;
                }
                const QStringList words = line.mid(resultMark.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words.isEmpty())
                    continue;
                QList<double> values;
                for (int i = 1; i < words.size(); ++i)
                    values.append(words[i].toDouble());
                results.byRatio[ratio].append({words[0], values});
            }
        }
    }
    return results;
}

} // namespace PixelRatioRuns
