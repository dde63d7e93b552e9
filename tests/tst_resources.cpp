#include "zivraresources.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ZivraResources::ensureLoaded(); }
    void picturesLoadAtTheirSize_data();
    void picturesLoadAtTheirSize();
    void blockPicturesDiffer();
};

void TestResources::picturesLoadAtTheirSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const struct {
        const char *path;
        int w, h;
    } table[] = {
        // Block icons: their sizes are the blocks' extents and wire spacing.
        {":/images/label-IN.png", 90, 25},
        {":/images/PreLgc.png", 100, 57},
        {":/images/PstLgc.png", 100, 57},
        {":/images/Function.png", 100, 29},
        {":/images/Function0.png", 100, 29},
        {":/images/NonFnc.png", 100, 5},
        {":/images/MsrCnt3.png", 180, 29},
        {":/images/MsrCnt.png", 180, 29},
        {":/images/MsrCnt1.png", 180, 29},
        {":/images/MsrCnt2.png", 180, 29},
        {":/images/NIMout.png", 180, 25},
        {":/images/FeedBack.png", 180, 25},
        {":/images/Label.png", 100, 25},
        {":/images/LabelIN.png", 100, 25},
        {":/images/FncLabel.png", 100, 25},
        // Palette entries.
        {":/images/MenuInput.png", 110, 30},
        {":/images/MenuPreLgc.png", 110, 25},
        {":/images/NetPreLgc.png", 110, 25},
        {":/images/FuncLabel.png", 110, 30},
        {":/images/MenuPstLgc.png", 110, 25},
        {":/images/NetPstLgc.png", 110, 25},
        {":/images/MenuOut.png", 110, 30},
        {":/images/MenuFeedBack.png", 110, 25},
        {":/images/NetFeedBack.png", 110, 25},
        {":/images/MenuLabel.png", 110, 30},
        // Label strip states.
        {":/images/LabelON.png", 90, 25},
        {":/images/LabelOFF.png", 90, 25},
        {":/images/FncLabelON.png", 90, 25},
        // Small pictures, tool-bar icons and the application icon.
        {":/images/delbutton.png", 16, 16},
        {":/images/settings_divider.png", 16, 16},
        {":/images/qrxlogo.s.png", 170, 60},
        {":/Zivra_icon/Zivra_New file.png", 32, 32},
        {":/Zivra_icon/Zivra_folder2.png", 32, 32},
        {":/Zivra_icon/Zivra_Save1.png", 32, 32},
        {":/Zivra_icon/Zivra_Update.png", 32, 32},
        {":/Zivra_icon/Zivra_Counter1.png", 32, 32},
        {":/Zivra_icon/switch.png", 32, 32},
        {":/Zivra_icon/Zivra_Undo.png", 32, 32},
        {":/Zivra_icon/Zivra_Redo.png", 32, 32},
        {":/Zivra_icon/Zivra_Cut.png", 32, 32},
        {":/Zivra_icon/Zivra_copy.png", 32, 32},
        {":/Zivra_icon/Zivra_paste.png", 32, 32},
        {":/Zivra_icon/Zivra_DRC.png", 32, 32},
        {":/Zivra_icon/Zivra_Edit.png", 32, 32},
        {":/Zivra_icon/Zivra_rename2.png", 32, 32},
        {":/Zivra_icon/Zivra_Cofigure.png", 32, 32},
        {":/zivra.ico", 32, 32},
    };
    for (const auto &row : table)
        QTest::newRow(row.path) << QString(row.path) << QSize(row.w, row.h);
}

void TestResources::picturesLoadAtTheirSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QPixmap picture(path);
    QVERIFY2(!picture.isNull(), qPrintable(path));
    QCOMPARE(picture.size(), size);
}

void TestResources::blockPicturesDiffer()
{
    // Variants chosen at run time must be told apart on screen.
    const QStringList sameSize[] = {
        {":/images/Function.png", ":/images/Function0.png"},
        {":/images/MsrCnt3.png", ":/images/MsrCnt.png", ":/images/MsrCnt1.png",
         ":/images/MsrCnt2.png"},
        {":/images/NIMout.png", ":/images/FeedBack.png"},
        {":/images/Label.png", ":/images/LabelIN.png", ":/images/FncLabel.png"},
        {":/images/PreLgc.png", ":/images/PstLgc.png"},
        {":/images/LabelON.png", ":/images/LabelOFF.png", ":/images/FncLabelON.png"},
    };
    for (const QStringList &group : sameSize) {
        for (int i = 0; i < group.size(); ++i)
            for (int j = i + 1; j < group.size(); ++j)
                QVERIFY2(QImage(group[i]) != QImage(group[j]),
                         qPrintable(group[i] + " = " + group[j]));
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
