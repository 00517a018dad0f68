#pragma once

#include <QString>

// What libmosquitto's error code `rc` means, in words: its own text, or
// ours where it has none (it calls a keep-alive timeout "Unknown error.").
QString brokerErrorText(int rc);
