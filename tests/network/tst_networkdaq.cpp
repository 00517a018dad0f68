// The DAQ program on a network board (use=net/127.0.0.1:PORT): when the
// server goes away the window asks to retry, and Yes after the server is back
// resumes the acquisition.
#include "BoardServerProcess.h"
#include "tst_mainwindow_support.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// The sample count of the status line "net/host:port - Samples: N - …"; -1 if none.
int samplesShown(MainWindow& window) {
    static const QRegularExpression samples("Samples: (\\d+)");
    const QRegularExpressionMatch match = samples.match(statusOf(window));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

class NetworkDaqTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void retryResumesOnceTheServerIsBack() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const quint16 port = server.port();
        MainWindow window("net", server.address(), QString());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(samplesShown(window) > 10, 5000);
        QVERIFY2(statusOf(window).startsWith("net/" + server.address()), qPrintable(statusOf(window)));

        QString question;
        int questions = 0;
        bool serverBack = false;
        ModalResponder responder;
        responder.onMessage([&](QMessageBox* box) {
            question = box->text();
            questions = ModalResponder::visibleMessageBoxes();
            // The question stays open until the server runs again.
            if (!serverBack)
                return false;
            box->button(QMessageBox::Yes)->click();
            return true;
        });

        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!question.isEmpty(), 3000);
        QVERIFY2(question.startsWith("Error: ") && question.endsWith("\nRetry ?"), qPrintable(question));
        QVERIFY2(question.contains("network board at " + server.address()), qPrintable(question));

        QVERIFY(server.start(port));
        serverBack = true;
        QTRY_VERIFY_WITH_TIMEOUT(responder.allAnswersUsed(), 5000);
        QCOMPARE(questions, 1);
        // start() counts the samples from 0 again; they rise as frames arrive.
        QTRY_VERIFY_WITH_TIMEOUT(samplesShown(window) > 10, 5000);
        QVERIFY(waitForTicks(window, 5));
        QCOMPARE(ModalResponder::visibleMessageBoxes(), 0);
        QVERIFY(window.isVisible());
        window.close();
    }
};

QTEST_MAIN(NetworkDaqTest)
#include "tst_networkdaq.moc"
