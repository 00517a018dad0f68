#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// A file name that may hold placeholders, filled in when the file is made:
// {n} a number, the lowest from 1 whose file does not exist yet; {date} the
// local date as yyyyMMdd; {time} the local time as HHmmss; {{ and }} a brace
// itself. A name without braces stands for itself.
class FileNamePattern {
    Q_DECLARE_TR_FUNCTIONS(FileNamePattern)

public:
    // Numbers are tried up to this one.
    static constexpr int mostNumbers = 1000000;

    explicit FileNamePattern(const QString& pattern);

    // Why the pattern cannot be used (an unknown placeholder, a brace
    // without its partner); empty when it can.
    const QString& error() const { return problem; }
    bool isValid() const { return problem.isEmpty(); }
    // Holds {n}: each file made from it is a new one.
    bool isNumbered() const { return numbered; }

    // The name with `number` and the local time `when` filled in.
    QString name(int number, const QDateTime& when) const;

    // Makes the file of the lowest free number as an empty file. Each try
    // creates it exclusively (O_CREAT | O_EXCL), so of two makers each gets
    // its own number; a name `mayTake` passes over counts as taken. Gives
    // the name, or the name it could not make and the system's reason in
    // `error`. Without {n} there is one name to try.
    QString create(const QDateTime& when, const std::function<bool(const QString&)>& mayTake, QString& error) const;

private:
    enum class Kind { Text, Number, Date, Time };
    struct Piece {
        Kind kind;
        QString text;
    };

    std::vector<Piece> pieces;
    bool numbered = false;
    QString problem;
};
