#include "UnitValidator.h"

#include <QLineEdit>

#include <algorithm>

UnitValidator::UnitValidator(QLineEdit* edit)
    : QValidator(edit)
    , current(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { current = text; });
}

int UnitValidator::forbiddenCount(const QString& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char(';') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    }));
}

QValidator::State UnitValidator::validate(QString& input, int&) const {
    if (forbiddenCount(input) > forbiddenCount(current))
        return Invalid;
    if (input.size() > maxLength && input.size() > current.size())
        return Invalid;
    return Acceptable;
}
