#include "romdialog.h"
#include "romfat.h"
#include "rompagehost.h"
#include "scriptedanswers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

// The window side of the dialog: records what the dialog hands over.
class RecordingHost : public QWidget, public RomPageHost
{
public:
    bool isDocumentModified() const override { return modified; }
    bool saveDocument() override
    {
        ++saves;
        return saveSucceeds;
    }
    void romTransfer(const QByteArray &entry, int bootPage, int page) override
    {
        transfers.append({entry, bootPage, page});
    }

    struct Transfer {
        QByteArray entry;
        int bootPage;
        int page;
    };
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

template <typename T> T *child(QDialog &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QPushButton *okButton(QDialog &dialog)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
}

QCheckBox *box(QDialog &dialog, int row)
{
    return qobject_cast<QCheckBox *>(
        child<QTableWidget>(dialog, "tableWidget")->cellWidget(row, 0));
}

QList<int> checkedRows(QDialog &dialog)
{
    QList<int> rows;
    for (int r = 0; r < 16; ++r)
        if (box(dialog, r)->isChecked())
            rows << r;
    return rows;
}

} // namespace

class TestRomDialog : public QObject
{
    Q_OBJECT

private slots:
    void comments_data();
    void comments();
    void entriesCutAtCharacters_data();
    void entriesCutAtCharacters();
    void opening_data();
    void opening();
    void saveChoices_data();
    void saveChoices();
    void bootPageClicks_data();
    void bootPageClicks();
    void restoreOfModifiedDocument_data();
    void restoreOfModifiedDocument();
    void tableRowsDriveTheComboBox();
};

void TestRomDialog::comments_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("comment");
    QTest::newRow("text then zeros") << entryOf("run 7") << "run 7";
    QTest::newRow("starts with zero") << entryOf(QByteArray(1, '\0') + "hidden") << "";
    QTest::newRow("no zero: all 112 bytes") << QByteArray(112, 'x') << QString(112, 'x');
    QTest::newRow("UTF-8") << entryOf("Messung \xc3\xa4") << QString::fromUtf8("Messung ä");
    QTest::newRow("Latin-1") << entryOf("Messung \xe4") << QString::fromLatin1("Messung \xe4");
    QTest::newRow("half a character at the end")
        << QByteArray(110, 'a') + "\xc3\xa4" << QString(110, 'a') + QString::fromUtf8("ä");
    QTest::newRow("cut character dropped") << QByteArray(111, 'a') + "\xe2" << QString(111, 'a');
    QTest::newRow("overlong form is not UTF-8")
        << entryOf("\xc0\xaf") << QString::fromLatin1("\xc0\xaf");
}

void TestRomDialog::comments()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, comment);
    QCOMPARE(RomFat::comment(entry), comment);
    RecordingHost host;
    QByteArray bytes = info(0);
    bytes.replace(1 + 3 * 112, 112, entry);
    const QString name;
    RomDialog dialog(&name, bytes, RomDialog::Restore, &host);
    QCOMPARE(dialog.pageComment(3), comment);
    QCOMPARE(child<QTableWidget>(dialog, "tableWidget")->item(3, 1)->text(), comment);
}

void TestRomDialog::entriesCutAtCharacters_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("kept"); // bytes before the zero padding
    QTest::newRow("short") << QStringLiteral("abc") << 3;
    QTest::newRow("exactly 112") << QString(112, 'a') << 112;
    QTest::newRow("two-byte character across the end") << QString(111, 'a') + QChar(0xe4) << 111;
    QTest::newRow("three-byte character across the end")
        << QString(110, 'a') + QChar(0x20ac) << 110;
    QTest::newRow("two-byte characters fill it") << QString(56, QChar(0xe4)) << 112;
    QTest::newRow("60 two-byte characters") << QString(60, QChar(0xe4)) << 112;
}

void TestRomDialog::entriesCutAtCharacters()
{
    QFETCH(QString, comment);
    QFETCH(int, kept);
    const QByteArray entry = RomFat::directoryEntry(comment);
    QCOMPARE(entry.size(), 112);
    QCOMPARE(entry.left(kept), comment.toUtf8().left(kept));
    QCOMPARE(entry.mid(kept), QByteArray(112 - kept, '\0'));
    QVERIFY(comment.startsWith(RomFat::comment(entry)));
}

void TestRomDialog::opening_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("bootPage");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("comboText5");
    QTest::addColumn<bool>("checkBoxChecked");
    QTest::addColumn<bool>("checkBoxEnabled");
    QTest::addColumn<int>("boldRow"); // -1: none
    QTest::newRow("save, page 0 is boot") << 0 << 0 << "Save to ROM"
                                          << "5" << true << false << 0;
    QTest::newRow("save, boot elsewhere") << 0 << 5 << "Save to ROM"
                                          << "5" << false << true << 5;
    QTest::newRow("restore") << 1 << 5 << "Restore from ROM"
                             << "5 (boot) : five" << false << true << 5;
    QTest::newRow("restore, boot out of range") << 1 << 200 << "Restore from ROM"
                                                << "5: five" << false << true << -1;
    QTest::newRow("boot page") << 2 << 5 << "Boot ROM Page"
                               << "5" << false << true << 5;
}

void TestRomDialog::opening()
{
    QFETCH(int, mode);
    QFETCH(int, bootPage);
    QFETCH(QString, title);
    QFETCH(QString, comboText5);
    QFETCH(bool, checkBoxChecked);
    QFETCH(bool, checkBoxEnabled);
    QFETCH(int, boldRow);
    RecordingHost host;
    const QString path = QStringLiteral("/data/runs/coincidence.zvr3");
    RomDialog dialog(&path, info(bootPage), mode, &host);

    QCOMPARE(dialog.windowTitle(), title);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(child<QLabel>(dialog, "label")->text(), QStringLiteral("Boot From %1").arg(bootPage));
    QCOMPARE(child<QComboBox>(dialog, "comboBox")->itemText(5), comboText5);
    auto *table = child<QTableWidget>(dialog, "tableWidget");
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("two"));
    QVERIFY(!(table->item(2, 1)->flags() & Qt::ItemIsEditable));
    for (int r = 0; r < 16; ++r) {
        const QFont font =
            mode == RomDialog::BootPage ? box(dialog, r)->font() : table->item(r, 0)->font();
        QCOMPARE(font.bold(), r == boldRow);
        QCOMPARE(table->item(r, 1)->font().bold(), r == boldRow);
    }
    if (mode == RomDialog::Save) {
        QCOMPARE(table->currentRow(), 0);
        QCOMPARE(child<QLineEdit>(dialog, "lineEdit")->text(), QStringLiteral("coincidence.zvr3"));
        QCOMPARE(child<QCheckBox>(dialog, "checkBox")->isChecked(), checkBoxChecked);
        QCOMPARE(child<QCheckBox>(dialog, "checkBox")->isEnabled(), checkBoxEnabled);
    } else {
        QVERIFY(child<QLineEdit>(dialog, "lineEdit")->isHidden());
        QVERIFY(child<QCheckBox>(dialog, "checkBox")->isHidden());
    }
    QCOMPARE(child<QComboBox>(dialog, "comboBox")->isHidden(), mode == RomDialog::BootPage);
    QCOMPARE(okButton(dialog)->isEnabled(), mode != RomDialog::BootPage);
    if (mode == RomDialog::BootPage)
        QCOMPARE(checkedRows(dialog), boldRow < 0 ? QList<int>() : QList<int>{boldRow});
}

void TestRomDialog::saveChoices_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("setOnBoot");
    QTest::addColumn<QString>("warning"); // empty: accepted
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("newBoot");

    const QString tooLong = QStringLiteral("Zivra|The length of the user comment should be at most "
                                           "112 bytes.");
    QTest::newRow("new comment") << 3 << "calibration" << false << "" << entryOf("calibration")
                                 << -1;
    QTest::newRow("empty comment")
        << 3 << "" << false << "Zivra|Please give it a user comment." << QByteArray() << -1;
    QTest::newRow("112 bytes, no terminator")
        << 3 << QString(112, 'c') << false << "" << QByteArray(112, 'c') << -1;
    QTest::newRow("113 bytes") << 3 << QString(113, 'c') << false << tooLong << QByteArray() << -1;
    QTest::newRow("60 characters, 120 bytes")
        << 3 << QString(60, QChar(0xe4)) << false << tooLong << QByteArray() << -1;
    QTest::newRow("UTF-8 comment")
        << 3 << QString::fromUtf8("Messung ä") << false << "" << entryOf("Messung \xc3\xa4") << -1;
    QTest::newRow("unchanged comment") << 5 << "five" << false << "" << QByteArray() << -1;
    QTest::newRow("set on boot") << 3 << "x" << true << "" << entryOf("x") << 3;
    QTest::newRow("set on boot of the boot page") << 0 << "x" << true << "" << entryOf("x") << -1;
}

void TestRomDialog::saveChoices()
{
    QFETCH(int, page);
    QFETCH(QString, comment);
    QFETCH(bool, setOnBoot);
    QFETCH(QString, warning);
    QFETCH(QByteArray, entry);
    QFETCH(int, newBoot);
    ScriptedAnswers answers;
    RecordingHost host;
    const QString path;
    RomDialog dialog(&path, info(0), RomDialog::Save, &host);
    child<QComboBox>(dialog, "comboBox")->setCurrentIndex(page);
    QCOMPARE(child<QTableWidget>(dialog, "tableWidget")->currentRow(), page);
    child<QLineEdit>(dialog, "lineEdit")->setText(comment);
    if (setOnBoot && child<QCheckBox>(dialog, "checkBox")->isEnabled())
        child<QCheckBox>(dialog, "checkBox")->setChecked(true);
    okButton(dialog)->click();

    if (!warning.isEmpty()) {
        QCOMPARE(answers.warnings, QStringList{warning});
        QVERIFY(host.transfers.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        return;
    }
    QVERIFY(answers.warnings.isEmpty());
    QCOMPARE(host.transfers.size(), 1);
    QCOMPARE(host.transfers[0].entry, entry);
    QCOMPARE(host.transfers[0].bootPage, newBoot);
    QCOMPARE(host.transfers[0].page, page);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestRomDialog::bootPageClicks_data()
{
    QTest::addColumn<int>("bootPage");
    QTest::addColumn<QList<int>>("clicks"); // rows clicked in turn
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("second box unchecks the first") << 4 << QList<int>{7} << QList<int>{7} << true;
    QTest::newRow("another then a third") << 4 << QList<int>{7, 9} << QList<int>{9} << true;
    QTest::newRow("unchecking the chosen falls back to boot")
        << 4 << QList<int>{7, 7} << QList<int>{4} << false;
    QTest::newRow("unchecking the boot box keeps it")
        << 4 << QList<int>{4} << QList<int>{4} << false;
    QTest::newRow("boot out of range: nothing left checked")
        << 16 << QList<int>{2, 2} << QList<int>{} << false;
}

void TestRomDialog::bootPageClicks()
{
    QFETCH(int, bootPage);
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, checked);
    QFETCH(bool, okEnabled);
    RecordingHost host;
    const QString path;
    RomDialog dialog(&path, info(bootPage), RomDialog::BootPage, &host);
    for (int row : clicks)
        box(dialog, row)->click();
    QCOMPARE(checkedRows(dialog), checked);
    QCOMPARE(okButton(dialog)->isEnabled(), okEnabled);
    // Selecting a row chooses nothing.
    child<QTableWidget>(dialog, "tableWidget")->setCurrentCell(12, 1);
    QCOMPARE(checkedRows(dialog), checked);
    if (!okEnabled)
        return;
    okButton(dialog)->click();
    QCOMPARE(host.transfers.size(), 1);
    QCOMPARE(host.transfers[0].entry, QByteArray());
    QCOMPARE(host.transfers[0].bootPage, checked.value(0));
    QCOMPARE(host.transfers[0].page, 0);
}

void TestRomDialog::restoreOfModifiedDocument_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveSucceeds");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("transferred");
    QTest::newRow("unmodified: no question") << false << 0 << true << 0 << true;
    QTest::newRow("discard") << true << int(QMessageBox::Discard) << true << 0 << true;
    QTest::newRow("save") << true << int(QMessageBox::Save) << true << 1 << true;
    QTest::newRow("save failed or cancelled")
        << true << int(QMessageBox::Save) << false << 1 << false;
    QTest::newRow("cancel") << true << int(QMessageBox::Cancel) << true << 0 << false;
}

void TestRomDialog::restoreOfModifiedDocument()
{
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, saveSucceeds);
    QFETCH(int, saves);
    QFETCH(bool, transferred);
    ScriptedAnswers answers;
    if (modified)
        answers.buttons.enqueue(QMessageBox::StandardButton(answer));
    RecordingHost host;
    host.modified = modified;
    host.saveSucceeds = saveSucceeds;
    const QString path;
    RomDialog dialog(&path, info(0), RomDialog::Restore, &host);
    child<QComboBox>(dialog, "comboBox")->setCurrentIndex(5);
    okButton(dialog)->click();

    QCOMPARE(answers.questions,
             modified ? QStringList{"|The current document has been modified.\nDo you want to "
                                    "save your changes?"}
                      : QStringList());
    QCOMPARE(host.saves, saves);
    QCOMPARE(host.transfers.size(), transferred ? 1 : 0);
    if (transferred) {
        QCOMPARE(host.transfers[0].entry, QByteArray());
        QCOMPARE(host.transfers[0].bootPage, -1);
        QCOMPARE(host.transfers[0].page, 5);
    }
    QCOMPARE(dialog.result(), int(transferred ? QDialog::Accepted : QDialog::Rejected));
}

void TestRomDialog::tableRowsDriveTheComboBox()
{
    RecordingHost host;
    const QString path = QStringLiteral("plain");
    RomDialog dialog(&path, info(6), RomDialog::Save, &host);
    auto *table = child<QTableWidget>(dialog, "tableWidget");
    auto *combo = child<QComboBox>(dialog, "comboBox");
    auto *check = child<QCheckBox>(dialog, "checkBox");
    table->setCurrentCell(6, 1);
    QCOMPARE(combo->currentIndex(), 6);
    QVERIFY(check->isChecked() && !check->isEnabled());
    table->setCurrentCell(9, 0);
    QCOMPARE(combo->currentIndex(), 9);
    QVERIFY(!check->isChecked() && check->isEnabled());
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit")->text(), QStringLiteral("plain"));
}

QTEST_MAIN(TestRomDialog)
#include "tst_romdialog.moc"
