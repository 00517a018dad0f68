#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

bool isPlainCLocale(const QString& name) {
    return name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX") ||
           name.startsWith(QLatin1String("C."));
}

// "de_DE.UTF-8@euro" -> "de_DE": the codeset and modifier say nothing about
// the language.
QLocale localeOf(const QString& name) {
    return QLocale(name.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0));
}

QString toolkitTranslationsFolder() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

QStringList interfaceLanguages(const QProcessEnvironment& environment) {
    QString messages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        messages = environment.value(QLatin1String(variable));
        if (!messages.isEmpty())
            break;
    }
    if (isPlainCLocale(messages))
        return {};
    const QStringList wanted =
        environment.value(QStringLiteral("LANGUAGE")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return wanted.isEmpty() ? QStringList{messages} : wanted;
}

QString installTranslations(const QStringList& languages) {
    for (const QString& language : languages) {
        const QLocale locale = localeOf(language);
        if (locale.language() == QLocale::English)
            return {};
        if (locale.language() == QLocale::C)
            continue;
        auto* programs = new QTranslator(QCoreApplication::instance());
        // Tries kivra_de_DE, then kivra_de.
        if (!programs->load(QStringLiteral("kivra_") + locale.name(), QStringLiteral(":/translations"))) {
            delete programs;
            continue;
        }
        // Without the toolkit's translation (not installed) the standard
        // buttons stay English; the programs' own texts are still there.
        auto* toolkit = new QTranslator(QCoreApplication::instance());
        if (toolkit->load(QStringLiteral("qtbase_") + locale.name(), toolkitTranslationsFolder()))
            QCoreApplication::installTranslator(toolkit);
        else
            delete toolkit;
        QCoreApplication::installTranslator(programs);
        return locale.name();
    }
    return {};
}
