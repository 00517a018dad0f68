#pragma once

#include <QProcessEnvironment>
#include <QStringList>

// The interface languages the user asks for, most wanted first, read as the
// C library's message catalogues read them: the messages locale is the first
// of LC_ALL, LC_MESSAGES and LANG that is set; when it is C or POSIX (or none
// is set) the list is empty and the programs speak English, whatever LANGUAGE
// says; otherwise LANGUAGE's colon-separated list when it is set, else the
// messages locale itself. Names are as given ("de_DE.UTF-8", "de").
QStringList interfaceLanguages(const QProcessEnvironment& environment);

// Installs the translation of the first wanted language that the programs
// have, together with the toolkit's own texts in it (standard buttons and
// dialogs, from the toolkit's translation folder). English, the language of
// the sources, ends the search: LANGUAGE=en:de stays English. Call after the
// application object exists and before any window is built. Returns the
// locale name installed ("de_DE"), empty when the programs stay English.
QString installTranslations(const QStringList& languages);
