#pragma once

#include <QString>

// The boards on USB, one line each: identifier, a tab, details. Throws the
// device library's error.
QString boardListText();
