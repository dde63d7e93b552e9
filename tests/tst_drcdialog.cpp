#include "drcdialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// Stands in for the main window: records what the dialog tells it, in order.
class DrcParent : public QWidget
{
    Q_OBJECT
public:
    QStringList calls;

public slots:
    void closedDrcDialog() { calls << QStringLiteral("closed"); }
    void closedDrcDialog(bool go) { calls << QStringLiteral("go:%1").arg(go); }
};

} // namespace

class TestDrcDialog : public QObject
{
    Q_OBJECT

private slots:
    void downloadModeEnds_data();
    void downloadModeEnds();
    void reportModeFillsWindow();
    void reportModeEnds_data();
    void reportModeEnds();
    void withoutParent();
};

void TestDrcDialog::downloadModeEnds_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("Download") << "download" << QStringList{"go:1", "closed"};
    QTest::newRow("Cancel") << "cancel" << QStringList{"closed"};
    QTest::newRow("close button") << "close" << QStringList{"closed"};
    QTest::newRow("Escape") << "escape" << QStringList{"closed"};
}

void TestDrcDialog::downloadModeEnds()
{
    QFETCH(QString, how);
    QFETCH(QStringList, calls);

    DrcParent parent;
    auto *dialog = new DrcDialog(true, &parent);
    QTextDocument report(QStringLiteral("Warning: IN-CH0 is not used."));
    dialog->textEdit->setDocument(&report);
    dialog->show();
    QCOMPARE(dialog->findChildren<QPushButton *>().size(), 2);
    QVERIFY(dialog->textEdit->isReadOnly());
    if (how == QLatin1String("download"))
        dialog->findChild<QPushButton *>(QStringLiteral("downloadButton"))->click();
    else if (how == QLatin1String("cancel"))
        dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    else if (how == QLatin1String("close"))
        dialog->close();
    else
        QTest::keyClick(dialog, Qt::Key_Escape);

    QCOMPARE(parent.calls, calls);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void TestDrcDialog::reportModeFillsWindow()
{
    DrcParent parent;
    DrcDialog dialog(false, &parent);
    QVERIFY(dialog.findChildren<QPushButton *>().isEmpty());
    QCOMPARE(dialog.textEdit->objectName(), QStringLiteral("textEdit"));
    QVERIFY(dialog.textEdit->isReadOnly());

    // A second check shows its report in the same window.
    QTextDocument first(QStringLiteral("first report"));
    QTextDocument second(QStringLiteral("second report"));
    dialog.textEdit->setDocument(&first);
    dialog.show();
    dialog.textEdit->setDocument(&second);
    QCOMPARE(dialog.textEdit->toPlainText(), QStringLiteral("second report"));

    dialog.resize(300, 200);
    QApplication::processEvents();
    const QSize small = dialog.textEdit->size();
    dialog.resize(600, 500);
    QApplication::processEvents();
    QVERIFY(dialog.textEdit->width() > small.width() + 200);
    QVERIFY(dialog.textEdit->height() > small.height() + 200);
    dialog.textEdit->setDocument(nullptr);
}

void TestDrcDialog::reportModeEnds_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close button") << false;
    QTest::newRow("Escape") << true;
}

void TestDrcDialog::reportModeEnds()
{
    QFETCH(bool, escape);
    DrcParent parent;
    DrcDialog dialog(false, &parent);
    dialog.show();
    if (escape)
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();
    QCOMPARE(parent.calls, QStringList{"closed"});
}

void TestDrcDialog::withoutParent()
{
    DrcDialog dialog(true, nullptr);
    QSignalSpy go(&dialog, SIGNAL(drcClosed(bool)));
    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("downloadButton"))->click();
    QCOMPARE(go.size(), 1);
    QCOMPARE(go.first().first().toBool(), true);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestDrcDialog)
#include "tst_drcdialog.moc"
