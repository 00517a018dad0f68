#pragma once

#include <QString>

#include <optional>

// A length of time as a user writes it: "90s", "1m30s", "2h", "1h2m3.5s",
// "hh:mm:ss" or "mm:ss" (seconds may carry a fraction), or plain seconds
// ("2.5"). Milliseconds, truncated; nothing for any other text or a
// negative or absurdly long time.
std::optional<qint64> parseDuration(const QString& text);
