// The examples of the documentation as they stand there: the fenced code
// blocks of a markdown file, so that a test runs what a reader copies.
#pragma once

#include <QFile>
#include <QStringList>

// The blocks fenced with "```language" in the file, in their order, each
// with its trailing line feed.
inline QStringList fencedBlocks(const QString& markdownFile, const QString& language) {
    QFile file(markdownFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList blocks;
    QString block;
    bool inside = false;
    bool wanted = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```"))) {
            if (inside && wanted)
                blocks << block;
            wanted = !inside && line.mid(3).trimmed() == language;
            inside = !inside;
            block.clear();
        } else if (inside) {
            block += line + QLatin1Char('\n');
        }
    }
    return blocks;
}

// The first of those blocks that holds `text`; empty when none does.
inline QString fencedBlockWith(const QString& markdownFile, const QString& language, const QString& text) {
    for (const QString& block : fencedBlocks(markdownFile, language)) {
        if (block.contains(text))
            return block;
    }
    return {};
}
