#include "drcdialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
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
    void ends_data();
    void ends();
    void reportFollowsTheWindowSize();
};

void TestDrcDialog::ends_data()
{
    QTest::addColumn<bool>("withDownload");
    QTest::addColumn<bool>("parented");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("calls"); // what the parent hears, in order

    QTest::newRow("Download") << true << true << "downloadButton" << QStringList{"go:1", "closed"};
    QTest::newRow("Cancel") << true << true << "cancelButton" << QStringList{"closed"};
    QTest::newRow("close button") << true << true << "close" << QStringList{"closed"};
    QTest::newRow("report, Escape") << false << true << "escape" << QStringList{"closed"};
    QTest::newRow("Download without parent")
        << true << false << "downloadButton" << QStringList{"go:1", "closed"};
}

void TestDrcDialog::ends()
{
    QFETCH(bool, withDownload);
    QFETCH(bool, parented);
    QFETCH(QString, how);
    QFETCH(QStringList, calls);

    DrcParent parent;
    auto *dialog = new DrcDialog(withDownload, parented ? &parent : nullptr);
    QScopedPointer<DrcDialog> owner(parented ? nullptr : dialog);
    QSignalSpy go(dialog, SIGNAL(drcClosed(bool)));
    dialog->show();
    QVERIFY(dialog->textEdit->isReadOnly());
    QCOMPARE(dialog->findChildren<QPushButton *>().isEmpty(), !withDownload);
    if (how == QLatin1String("close"))
        dialog->close();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->findChild<QPushButton *>(how)->click();

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(parent.calls, parented ? calls : QStringList());
    QCOMPARE(go.size(), int(calls.contains(QStringLiteral("go:1"))));
}

void TestDrcDialog::reportFollowsTheWindowSize()
{
    DrcDialog dialog(false, nullptr);
    dialog.show();
    dialog.resize(300, 200);
    QApplication::processEvents();
    const QSize small = dialog.textEdit->size();
    dialog.resize(600, 500);
    QApplication::processEvents();
    QVERIFY(dialog.textEdit->width() > small.width() + 200);
    QVERIFY(dialog.textEdit->height() > small.height() + 200);
}

QTEST_MAIN(TestDrcDialog)
#include "tst_drcdialog.moc"
