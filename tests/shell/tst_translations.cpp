// Which language the programs speak, from the environment as the C library
// reads it, and the shell's dialogs in German at the sizes their forms give.
#include "AboutDialog.h"
#include "SelDialog.h"
#include "ThemeDialog.h"
#include "Translations.h"
#include "WindowTexts.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <functional>
#include <memory>

using DialogFactory = std::function<QDialog*()>;
Q_DECLARE_METATYPE(DialogFactory)

class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void interfaceLanguagesFromEnvironment_data();
    void interfaceLanguagesFromEnvironment();
    // These two in this order: the second installs German for the rest.
    void englishEndsTheSearch();
    void firstLanguageWithATranslation();
    void dialogs_data();
    void dialogs();
};

void TestTranslations::interfaceLanguagesFromEnvironment_data() {
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QStringList>("languages");
    QTest::newRow("LANG German") << QStringList{"LANG=de_DE.UTF-8"} << QStringList{"de_DE.UTF-8"};
    QTest::newRow("LANGUAGE=en wins over LANG") << QStringList{"LANG=de_DE.UTF-8", "LANGUAGE=en"} << QStringList{"en"};
    QTest::newRow("LANGUAGE list") << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=de_AT:de::en"}
                                   << QStringList{"de_AT", "de", "en"};
    QTest::newRow("LC_MESSAGES=C") << QStringList{"LANG=de_DE.UTF-8", "LC_MESSAGES=C"} << QStringList{};
    QTest::newRow("LC_MESSAGES over LANG")
        << QStringList{"LANG=en_GB.UTF-8", "LC_MESSAGES=de_CH.UTF-8"} << QStringList{"de_CH.UTF-8"};
    QTest::newRow("LC_ALL over LC_MESSAGES")
        << QStringList{"LC_ALL=C.UTF-8", "LC_MESSAGES=de_DE.UTF-8"} << QStringList{};
    QTest::newRow("C locale ignores LANGUAGE") << QStringList{"LANG=C", "LANGUAGE=de"} << QStringList{};
    QTest::newRow("POSIX") << QStringList{"LC_ALL=POSIX", "LANGUAGE=de"} << QStringList{};
    QTest::newRow("empty LC_ALL is unset") << QStringList{"LC_ALL=", "LANG=de_DE.UTF-8"} << QStringList{"de_DE.UTF-8"};
    QTest::newRow("nothing set") << QStringList{} << QStringList{};
}

void TestTranslations::interfaceLanguagesFromEnvironment() {
    QFETCH(QStringList, variables);
    QFETCH(QStringList, languages);
    QProcessEnvironment environment;
    for (const QString& variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    QCOMPARE(interfaceLanguages(environment), languages);
}

void TestTranslations::englishEndsTheSearch() {
    QCOMPARE(installTranslations({"xx", "fr_FR.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8"}), QString());
    QCOMPARE(QCoreApplication::translate("MainWindow", "Error"), QStringLiteral("Error"));
    QCOMPARE(installTranslations({}), QString());
}

void TestTranslations::firstLanguageWithATranslation() {
    // No French translation: on to Austrian German, which takes the German one.
    QCOMPARE(installTranslations({"fr_FR.UTF-8", "de_AT.UTF-8@euro", "en"}), QStringLiteral("de_AT"));
    QCOMPARE(QCoreApplication::translate("MainWindow", "Error"), QStringLiteral("Fehler"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

void TestTranslations::dialogs_data() {
    QTest::addColumn<DialogFactory>("make");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("buttonText");
    QTest::newRow("device selection") << DialogFactory([] { return new SelDialog(nullptr); }) << QSize(406, 142)
                                      << "Messkarte wählen"
                                      << "rdoEthernet"
                                      << "Ethernet-Messkarte";
    QTest::newRow("theme") << DialogFactory([] { return new ThemeDialog(nullptr); }) << QSize(234, 135)
                           << "Design wählen"
                           << "rdoDarkTheme"
                           << "Fusion dunkel";
    QTest::newRow("about") << DialogFactory([] {
        return new AboutDialog(nullptr, QStringLiteral("Kivra Tolm DAQ lite"));
    }) << QSize(562, 193) << "Über"
                           << "btnOK"
                           << "OK";
}

void TestTranslations::dialogs() {
    QFETCH(DialogFactory, make);
    QFETCH(QSize, size);
    QFETCH(QString, title);
    QFETCH(QString, button);
    QFETCH(QString, buttonText);
    const std::unique_ptr<QDialog> dialog(make());
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->findChild<QAbstractButton*>(button)->text(), buttonText);
    // The toolkit's German for the standard buttons of a button box.
    if (auto* box = dialog->findChild<QDialogButtonBox*>())
        QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    const QStringList cramped = crampedOnEveryTab(*dialog, size);
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QStringLiteral("\n"))));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
