#include "romdialog.h"
#include "romfat.h"
#include "rompagehost.h"
#include "scriptedanswers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

struct Transfer {
    QByteArray entry;
    int bootPage;
    int page;
};

// The window side of the dialog: records what the dialog hands over.
class RecordingHost : public QWidget, public RomPageHost
{
public:
    bool isDocumentModified() const override { return modified; }
    bool saveDocument() override { return ++saves, saveSucceeds; }
    void romTransfer(const QByteArray &entry, int bootPage, int page) override
    {
        transfers.append({entry, bootPage, page});
    }
    bool modified = false;
    bool saveSucceeds = true;
    int saves = 0;
    QVector<Transfer> transfers;
};

QByteArray entryOf(const QByteArray &comment)
{
    return comment + QByteArray(qMax(0, 112 - comment.size()), '\0');
}

// Boot page byte and a directory whose page 2 says "two" and page 5 "five".
QByteArray info(int bootPage)
{
    QByteArray directory;
    for (int p = 0; p < 16; ++p)
        directory += entryOf(p == 2 ? "two" : p == 5 ? "five" : "");
    return QByteArray(1, char(bootPage)) + directory;
}

// One dialog over a recording host, with its widgets at hand.
struct Fixture {
    Fixture(int mode, int bootPage = 0, const QByteArray &bytes = QByteArray())
        : dialog(&path, bytes.isEmpty() ? info(bootPage) : bytes, mode, &host)
    {}
    template <typename T> T *get(const char *name)
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }
    QTableWidget *table() { return get<QTableWidget>("tableWidget"); }
    QCheckBox *box(int row) { return qobject_cast<QCheckBox *>(table()->cellWidget(row, 0)); }
    void ok() { get<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok)->click(); }
    bool okEnabled()
    {
        return get<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok)->isEnabled();
    }
    QList<int> checkedRows()
    {
        QList<int> rows;
        for (int r = 0; r < 16; ++r)
            if (box(r)->isChecked())
                rows << r;
        return rows;
    }

    ScriptedAnswers answers;
    RecordingHost host;
    const QString path = QStringLiteral("/data/runs/coincidence.zvr3");
    RomDialog dialog;
};

} // namespace

class TestRomDialog : public QObject
{
    Q_OBJECT

private slots:
    void comments_data();
    void comments();
    void entriesCutAtCharacters_data();
    void entriesCutAtCharacters();
    void bootPageShown_data();
    void bootPageShown();
    void saveChoices_data();
    void saveChoices();
    void bootPageClicks_data();
    void bootPageClicks();
    void restoreOfModifiedDocument_data();
    void restoreOfModifiedDocument();
    void listStaysInView_data();
    void listStaysInView();
};

void TestRomDialog::comments_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("comment");
    QTest::newRow("starts with zero") << entryOf(QByteArray(1, '\0') + "hidden") << "";
    QTest::newRow("no zero: all 112 bytes") << QByteArray(112, 'x') << QString(112, 'x');
    QTest::newRow("UTF-8") << entryOf("Messung \xc3\xa4") << QString::fromUtf8("Messung ä");
    QTest::newRow("Latin-1") << entryOf("Messung \xe4") << QString::fromLatin1("Messung \xe4");
    QTest::newRow("whole character at the end") << QByteArray(110, 'a') + "\xc3\xa4" << QString(110, 'a') + QString::fromUtf8("ä");
    QTest::newRow("cut character dropped") << QByteArray(111, 'a') + "\xe2" << QString(111, 'a');
    QTest::newRow("overlong form is not UTF-8") << entryOf("\xc0\xaf") << QString::fromLatin1("\xc0\xaf");
    // clang-format on
}

void TestRomDialog::comments()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, comment);
    QCOMPARE(RomFat::comment(entry), comment);
    Fixture f(RomDialog::Restore, 0, info(0).replace(1 + 3 * 112, 112, entry));
    QCOMPARE(f.dialog.pageComment(3), comment);
    QCOMPARE(f.table()->item(3, 1)->text(), comment);
}

void TestRomDialog::entriesCutAtCharacters_data()
{
    // clang-format off
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("kept"); // bytes before the zero padding
    QTest::newRow("exactly 112") << QString(112, 'a') << 112;
    QTest::newRow("two-byte character across the end") << QString(111, 'a') + QChar(0xe4) << 111;
    QTest::newRow("three-byte character across the end") << QString(110, 'a') + QChar(0x20ac) << 110;
    QTest::newRow("60 two-byte characters") << QString(60, QChar(0xe4)) << 112;
    // clang-format on
}

void TestRomDialog::entriesCutAtCharacters()
{
    QFETCH(QString, comment);
    QFETCH(int, kept);
    const QByteArray entry = RomFat::directoryEntry(comment);
    QCOMPARE(entry, comment.toUtf8().left(kept) + QByteArray(112 - kept, '\0'));
    QVERIFY(comment.startsWith(RomFat::comment(entry)));
}

void TestRomDialog::bootPageShown_data()
{
    // clang-format off
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("bootPage");
    QTest::addColumn<QString>("comboText5");
    QTest::addColumn<int>("boldRow"); // -1: none
    QTest::newRow("save") << int(RomDialog::Save) << 5 << "5" << 5;
    QTest::newRow("restore") << int(RomDialog::Restore) << 5 << "5 (boot) : five" << 5;
    QTest::newRow("restore, boot out of range") << int(RomDialog::Restore) << 200 << "5: five" << -1;
    QTest::newRow("boot page") << int(RomDialog::BootPage) << 5 << "5" << 5;
    // clang-format on
}

void TestRomDialog::bootPageShown()
{
    QFETCH(int, mode);
    QFETCH(int, bootPage);
    QFETCH(QString, comboText5);
    QFETCH(int, boldRow);
    Fixture f(mode, bootPage);
    QCOMPARE(f.get<QComboBox>("comboBox")->itemText(5), comboText5);
    for (int r = 0; r < 16; ++r) {
        const QFont font =
            mode == RomDialog::BootPage ? f.box(r)->font() : f.table()->item(r, 0)->font();
        QCOMPARE(font.bold(), r == boldRow);
        QCOMPARE(f.table()->item(r, 1)->font().bold(), r == boldRow);
    }
    QCOMPARE(f.okEnabled(), mode != RomDialog::BootPage);
    if (mode == RomDialog::BootPage)
        QCOMPARE(f.checkedRows(), QList<int>{boldRow});
    if (mode == RomDialog::Save)
        QCOMPARE(f.get<QLineEdit>("lineEdit")->text(), QStringLiteral("coincidence.zvr3"));
}

void TestRomDialog::saveChoices_data()
{
    // clang-format off
    QTest::addColumn<int>("bootPage");
    QTest::addColumn<int>("page"); // chosen through the table
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("setOnBoot");
    QTest::addColumn<QString>("warning"); // empty: accepted
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("newBoot");
    const QString tooLong =
        QStringLiteral("Zivra|The length of the user comment should be at most 112 bytes.");
    QTest::newRow("new comment") << 0 << 3 << "calibration" << false << "" << entryOf("calibration") << -1;
    QTest::newRow("empty comment") << 0 << 3 << "" << false << "Zivra|Please give it a user comment." << QByteArray() << -1;
    QTest::newRow("112 bytes, no terminator") << 0 << 3 << QString(112, 'c') << false << "" << QByteArray(112, 'c') << -1;
    QTest::newRow("113 bytes") << 0 << 3 << QString(113, 'c') << false << tooLong << QByteArray() << -1;
    QTest::newRow("60 characters, 120 bytes") << 0 << 3 << QString(60, QChar(0xe4)) << false << tooLong << QByteArray() << -1;
    QTest::newRow("UTF-8 comment") << 0 << 3 << QString::fromUtf8("Messung ä") << false << "" << entryOf("Messung \xc3\xa4") << -1;
    QTest::newRow("unchanged comment") << 0 << 5 << "five" << false << "" << QByteArray() << -1;
    QTest::newRow("set on boot") << 0 << 3 << "x" << true << "" << entryOf("x") << 3;
    QTest::newRow("boot page is already boot") << 6 << 6 << "x" << true << "" << entryOf("x") << -1;
    // clang-format on
}

void TestRomDialog::saveChoices()
{
    QFETCH(int, bootPage);
    QFETCH(int, page);
    QFETCH(QString, comment);
    QFETCH(bool, setOnBoot);
    QFETCH(QString, warning);
    QFETCH(QByteArray, entry);
    QFETCH(int, newBoot);
    Fixture f(RomDialog::Save, bootPage);
    auto *check = f.get<QCheckBox>("checkBox");
    f.table()->setCurrentCell(page, 1);
    QCOMPARE(f.get<QComboBox>("comboBox")->currentIndex(), page);
    QCOMPARE(check->isChecked(), page == bootPage); // the boot page cannot be chosen again
    QCOMPARE(check->isEnabled(), page != bootPage);
    f.get<QLineEdit>("lineEdit")->setText(comment);
    if (setOnBoot && check->isEnabled())
        check->setChecked(true);
    f.ok();
    QCOMPARE(f.answers.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(f.dialog.result(), int(warning.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(f.host.transfers.size(), warning.isEmpty() ? 1 : 0);
    if (warning.isEmpty()) {
        QCOMPARE(f.host.transfers[0].entry, entry);
        QCOMPARE(f.host.transfers[0].bootPage, newBoot);
        QCOMPARE(f.host.transfers[0].page, page);
    }
}

void TestRomDialog::bootPageClicks_data()
{
    // clang-format off
    QTest::addColumn<int>("bootPage");
    QTest::addColumn<QList<int>>("clicks"); // rows clicked in turn
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("second box unchecks the first") << 4 << QList<int>{7} << QList<int>{7} << true;
    QTest::newRow("another then a third") << 4 << QList<int>{7, 9} << QList<int>{9} << true;
    QTest::newRow("unchecking the chosen falls back to boot") << 4 << QList<int>{7, 7} << QList<int>{4} << false;
    QTest::newRow("unchecking the boot box keeps it") << 4 << QList<int>{4} << QList<int>{4} << false;
    QTest::newRow("boot out of range: nothing left checked") << 16 << QList<int>{2, 2} << QList<int>{} << false;
    // clang-format on
}

void TestRomDialog::bootPageClicks()
{
    QFETCH(int, bootPage);
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, checked);
    QFETCH(bool, okEnabled);
    Fixture f(RomDialog::BootPage, bootPage);
    for (int row : clicks)
        f.box(row)->click();
    f.table()->setCurrentCell(12, 1); // selecting a row chooses nothing
    QCOMPARE(f.checkedRows(), checked);
    QCOMPARE(f.okEnabled(), okEnabled);
    if (!okEnabled)
        return;
    f.ok();
    QCOMPARE(f.host.transfers.size(), 1);
    QCOMPARE(f.host.transfers[0].entry, QByteArray());
    QCOMPARE(f.host.transfers[0].bootPage, checked.value(0));
}

void TestRomDialog::restoreOfModifiedDocument_data()
{
    // clang-format off
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveSucceeds");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("transferred");
    QTest::newRow("unmodified: no question") << false << 0 << true << 0 << true;
    QTest::newRow("discard") << true << int(QMessageBox::Discard) << true << 0 << true;
    QTest::newRow("save") << true << int(QMessageBox::Save) << true << 1 << true;
    QTest::newRow("save failed or cancelled") << true << int(QMessageBox::Save) << false << 1 << false;
    QTest::newRow("cancel") << true << int(QMessageBox::Cancel) << true << 0 << false;
    // clang-format on
}

void TestRomDialog::restoreOfModifiedDocument()
{
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, saveSucceeds);
    QFETCH(int, saves);
    QFETCH(bool, transferred);
    Fixture f(RomDialog::Restore);
    if (modified)
        f.answers.buttons.enqueue(QMessageBox::StandardButton(answer));
    f.host.modified = modified;
    f.host.saveSucceeds = saveSucceeds;
    f.get<QComboBox>("comboBox")->setCurrentIndex(5);
    f.ok();
    QCOMPARE(f.answers.questions.size(), modified ? 1 : 0);
    QCOMPARE(f.host.saves, saves);
    QCOMPARE(f.host.transfers.size(), transferred ? 1 : 0);
    if (transferred)
        QCOMPARE(f.host.transfers[0].page, 5);
    QCOMPARE(f.dialog.result(), int(transferred ? QDialog::Accepted : QDialog::Rejected));
}

void TestRomDialog::listStaysInView_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("save") << int(RomDialog::Save);
    QTest::newRow("restore") << int(RomDialog::Restore);
    QTest::newRow("boot page") << int(RomDialog::BootPage);
}

// Clicked with the mouse, the list never scrolls sideways: every page number and check box stays
// where the user sees it.
void TestRomDialog::listStaysInView()
{
    QFETCH(int, mode);
    Fixture f(mode, 4);
    f.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
    QTableWidget *t = f.table();
    const bool boxes = mode == RomDialog::BootPage;
    for (int row : {12, 3, 15}) { // a comment, or a page's check box
        if (boxes)
            QTest::mouseClick(f.box(row), Qt::LeftButton, {}, QPoint(8, 10));
        else
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                              t->visualRect(t->model()->index(row, 1)).center());
        // The view scrolls to a clicked cell only once a double click can no longer come.
        QTest::qWait(QApplication::doubleClickInterval() + 300);
        QCOMPARE(boxes ? f.checkedRows().value(0) : f.get<QComboBox>("comboBox")->currentIndex(),
                 row);
        QCOMPARE(t->columnViewportPosition(0), 0);
        QCOMPARE(t->columnViewportPosition(1) + t->columnWidth(1), t->viewport()->width());
        for (int r = 0; r < 16 && boxes; ++r)
            QVERIFY(f.box(r)->isVisible() && f.box(r)->x() == 0);
    }
}

QTEST_MAIN(TestRomDialog)
#include "tst_romdialog.moc"
