#pragma once

#include <QString>

// A number as the programs show it: fixed notation, 2 decimals, the user's
// locale, then a blank and the unit when there is one ("37.50 %", "3.20 kg").
// Callers that hold single-precision values pass them widened.
QString valueText(double value, const QString& unit = QString());
