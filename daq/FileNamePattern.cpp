#include "FileNamePattern.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

FileNamePattern::FileNamePattern(const QString& pattern) {
    QString text;
    for (int at = 0; at < pattern.size(); ++at) {
        const QChar c = pattern.at(at);
        const bool doubled = at + 1 < pattern.size() && pattern.at(at + 1) == c;
        if (c == QLatin1Char('}')) {
            if (!doubled) {
                problem = tr("a \"}\" without its \"{\" at character %1").arg(at + 1);
                return;
            }
            text += c;
            ++at;
            continue;
        }
        if (c != QLatin1Char('{')) {
            text += c;
            continue;
        }
        if (doubled) {
            text += c;
            ++at;
            continue;
        }
        const int close = pattern.indexOf(QLatin1Char('}'), at + 1);
        const int nextOpen = pattern.indexOf(QLatin1Char('{'), at + 1);
        if (close < 0 || (nextOpen >= 0 && nextOpen < close)) {
            problem = tr("a \"{\" without its \"}\" at character %1").arg(at + 1);
            return;
        }
        const QString placeholder = pattern.mid(at, close - at + 1);
        Kind kind = Kind::Text;
        if (placeholder == QLatin1String("{n}"))
            kind = Kind::Number;
        else if (placeholder == QLatin1String("{date}"))
            kind = Kind::Date;
        else if (placeholder == QLatin1String("{time}"))
            kind = Kind::Time;
        else {
            problem = tr("unknown placeholder %1").arg(placeholder);
            return;
        }
        if (!text.isEmpty())
            pieces.push_back({Kind::Text, text});
        text.clear();
        pieces.push_back({kind, QString()});
        numbered = numbered || kind == Kind::Number;
        at = close;
    }
    if (!text.isEmpty())
        pieces.push_back({Kind::Text, text});
}

QString FileNamePattern::name(int number, const QDateTime& when) const {
    QString name;
    for (const Piece& piece : pieces) {
        switch (piece.kind) {
        case Kind::Text:
            name += piece.text;
            break;
        case Kind::Number:
            name += QString::number(number);
            break;
        case Kind::Date:
            name += when.toString(QStringLiteral("yyyyMMdd"));
            break;
        case Kind::Time:
            name += when.toString(QStringLiteral("HHmmss"));
            break;
        }
    }
    return name;
}

QString FileNamePattern::create(const QDateTime& when, const std::function<bool(const QString&)>& mayTake,
                                QString& error) const {
    const int last = numbered ? mostNumbers : 1;
    for (int number = 1; number <= last; ++number) {
        const QString candidate = name(number, when);
        if (mayTake && !mayTake(candidate))
            continue;
        const int fd =
            ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            ::close(fd);
            error.clear();
            return candidate;
        }
        if (errno != EEXIST) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return candidate;
        }
    }
    error = numbered ? tr("every number up to %1 is taken").arg(last) : QString::fromLocal8Bit(std::strerror(EEXIST));
    return name(last, when);
}
