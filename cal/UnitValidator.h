#pragma once

#include <QValidator>

class QLineEdit;

// The unit as the user types it. It ends up in the capture log's column
// line, where ";" separates the columns and a line break ends the line, so
// an edit that adds ";", CR or LF, or that grows the unit beyond 64
// characters, is refused (the line edit then emits inputRejected()). A unit
// loaded from a file may hold them; edits that take them out pass.
class UnitValidator : public QValidator {
    Q_OBJECT

public:
    static constexpr int maxLength = 64;

    explicit UnitValidator(QLineEdit* edit);

    State validate(QString& input, int& pos) const override;

private:
    static int forbiddenCount(const QString& text);

    // The text before the edit under validation (the line edit already
    // holds the new one while it asks).
    QString current;
};
