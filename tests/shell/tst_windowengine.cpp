#include "ModalResponder.h"
#include "SelDialog.h"
#include "Translations.h"
#include "WindowEngine.h"

#include <QMessageBox>
#include <QtTest>

#include <memory>

class TestWindowEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The dialog asks only when one of the two is missing; cancelled, the
    // window's values stay as they were.
    void chooseDevice_data() {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("dialogShown");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("busAfter");
        QTest::addColumn<QString>("addressAfter");
        QTest::newRow("both given") << "net"
                                    << "10.0.0.5:502" << true << false << true << "net"
                                    << "10.0.0.5:502";
        QTest::newRow("nothing given, accepted") << ""
                                                 << "" << true << true << true << "usb"
                                                 << "-";
        QTest::newRow("address missing, accepted") << "net"
                                                   << "" << true << true << true << "usb"
                                                   << "-";
        QTest::newRow("bus missing, cancelled") << ""
                                                << "x:1" << false << true << false << ""
                                                << "x:1";
    }
    void chooseDevice() {
        QFETCH(QString, bus);
        QFETCH(QString, address);
        QFETCH(bool, accept);
        QFETCH(bool, dialogShown);
        QFETCH(bool, chosen);
        QFETCH(QString, busAfter);
        QFETCH(QString, addressAfter);
        ModalResponder responder;
        bool shown = false;
        responder.onDialog<SelDialog>([&](SelDialog* dialog) {
            shown = true;
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
        QCOMPARE(::chooseDevice(nullptr, bus, address), chosen);
        QCOMPARE(shown, dialogShown);
        QCOMPARE(bus, busAfter);
        QCOMPARE(address, addressAfter);
    }

    // The board's text is shown as it is, even when it looks like markup.
    void retryQuestion_data() {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "Device not found."
                               << "Error: Device not found.\nRetry ?";
        QTest::newRow("markup") << "<b>lost</b>"
                                << "Error: <b>lost</b>\nRetry ?";
        QTest::newRow("placeholder") << "%1 gone"
                                     << "Error: %1 gone\nRetry ?";
    }
    void retryQuestion() {
        QFETCH(QString, error);
        QFETCH(QString, text);
        const std::unique_ptr<QMessageBox> box(newRetryQuestion(error, nullptr));
        QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(box->text(), text);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QVERIFY(!box->isVisible());
    }

    // The engine's texts that name the port the user gave are the window's;
    // the board's own texts stay as they come.
    void retryQuestionInGerman_data() {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("port not a number")
            << "The port in host:port must be a number, not \"abc\"."
            << "Fehler: Der Port in host:port muss eine Zahl sein, nicht „abc“.\nErneut versuchen?";
        QTest::newRow("port out of range")
            << "The port in host:port is out of range: \"99999999999\"."
            << "Fehler: Der Port in host:port liegt außerhalb des Zahlenbereichs: „99999999999“.\nErneut versuchen?";
        QTest::newRow("board's text") << "Can't open device."
                                      << "Fehler: Can't open device.\nErneut versuchen?";
    }
    void retryQuestionInGerman() {
        QFETCH(QString, error);
        QFETCH(QString, text);
        // Last of the tests: the German translation stays installed.
        QCOMPARE(installTranslations({QStringLiteral("de_DE.UTF-8")}), QStringLiteral("de_DE"));
        const std::unique_ptr<QMessageBox> box(newRetryQuestion(error, nullptr));
        QCOMPARE(box->text(), text);
    }
};

QTEST_MAIN(TestWindowEngine)
#include "tst_windowengine.moc"
