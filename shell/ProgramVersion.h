#pragma once

#include <QString>

// The version every program of the family carries: exactly these six
// characters, trailing dot included.
inline QString programVersion() {
    return QStringLiteral("1.3.0.");
}
