// Running a part of a test in a child process under a chosen locale: the
// German one (interface and C library) or the plain C one. The child is the
// test executable itself, started with "--write DIR"; it reports the C
// library's decimal point on its standard output, so that the test knows the
// German run really formatted numbers the German way.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <clocale>
#include <cstdio>

namespace LocaleRuns {

inline const char* writeOption() {
    return "--write";
}

// Whether the C library can run German here (the set-up script generates
// de_DE.UTF-8).
inline bool germanLocaleExists() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const QByteArray saved = previous ? QByteArray(previous) : QByteArray("C");
    const bool exists = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, saved.constData());
    return exists;
}

// The child's report of its C library locale, after the application object
// set it from the environment.
inline void reportDecimalPoint() {
    std::printf("decimal point: %s\n", std::localeconv()->decimal_point);
    std::fflush(stdout);
}

// libfaketime, which stops the wall clock (not the monotonic one the timers
// run on) so that two runs write the same times; empty when not installed.
inline QString faketimeLibrary() {
    for (const char* path :
         {"/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1",
          "/usr/lib/aarch64-linux-gnu/faketime/libfaketimeMT.so.1", "/usr/lib/faketime/libfaketimeMT.so.1"})
        if (QFileInfo::exists(QString::fromLatin1(path)))
            return QString::fromLatin1(path);
    return {};
}

struct Run {
    bool finished = false;
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Runs `program` with "--write dir" in a German or a C environment; with
// `frozenClock`, at a fixed wall-clock time.
inline Run run(const QString& program, const QString& dir, bool german, bool frozenClock) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LC_TIME", "LANG"})
        environment.remove(QString::fromLatin1(variable));
    environment.insert(QStringLiteral("LANG"), german ? QStringLiteral("de_DE.UTF-8") : QStringLiteral("C"));
    if (frozenClock) {
        environment.insert(QStringLiteral("LD_PRELOAD"), faketimeLibrary());
        environment.insert(QStringLiteral("FAKETIME"), QStringLiteral("2026-03-14 15:09:26"));
        environment.insert(QStringLiteral("DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        // The address sanitizer wants to be the first library; it copes.
        environment.insert(QStringLiteral("ASAN_OPTIONS"), environment.value(QStringLiteral("ASAN_OPTIONS")) +
                                                               QStringLiteral(":verify_asan_link_order=0"));
    }
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(program, {QString::fromLatin1(writeOption()), dir});
    Run result;
    result.finished = child.waitForFinished(60000);
    if (!result.finished) {
        child.kill();
        child.waitForFinished();
    }
    result.exitCode = child.exitCode();
    result.output = child.readAllStandardOutput();
    result.errors = child.readAllStandardError();
    return result;
}

inline QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "" when equal, else the first line that differs in both versions, for the
// failure message.
inline QByteArray firstDifference(const QByteArray& a, const QByteArray& b) {
    if (a == b)
        return {};
    const QList<QByteArray> linesA = a.split('\n');
    const QList<QByteArray> linesB = b.split('\n');
    for (int i = 0; i < std::max(linesA.size(), linesB.size()); ++i)
        if (linesA.value(i) != linesB.value(i))
            return "line " + QByteArray::number(i + 1) + ":\n" + linesA.value(i) + "\n" + linesB.value(i);
    return "same lines, different bytes";
}

} // namespace LocaleRuns
