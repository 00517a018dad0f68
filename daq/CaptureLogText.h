#pragma once

#include <QCoreApplication>
#include <QString>

// The capture log reader's messages, in one translation context wherever
// they are made.
class CaptureLogText {
    Q_DECLARE_TR_FUNCTIONS(CaptureLogReader)

public:
    // Bytes of the file as a message quotes them: control characters as
    // \xNN (a NUL would end the message), at most 80 characters.
    static QString quoted(const QString& content) {
        constexpr int limit = 80;
        QString shown;
        for (const QChar c : content.left(limit)) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                shown += c;
        }
        if (content.size() > limit)
            shown += QStringLiteral("...");
        return shown;
    }
};
