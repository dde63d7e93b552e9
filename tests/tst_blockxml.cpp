#include "nim_in.h"
#include "nimlabel.h"
#include "nimmsrcnt.h"
#include "prelogic.h"

#include <QTest>
#include <QTextStream>
#include <QXmlStreamReader>

namespace {

QString written(BlockItem &block, const QString &term, int level)
{
    QString text;
    QTextStream stream(&text);
    block.writeXml(stream, term, level);
    stream.flush();
    return text;
}

struct Entry {
    QString term, id, name, userName, property;
    QMap<int, QString> nets;
    QStringList order; // child element names as read
};

// Reads the entries back with a standard XML reader, as the file loader will.
QVector<Entry> readEntries(const QString &xml, QString *error)
{
    QVector<Entry> entries;
    QXmlStreamReader reader("<root>\n" + xml + "</root>\n");
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("entry"))
            continue;
        Entry e;
        e.term = reader.attributes().value("term").toString();
        while (reader.readNextStartElement()) {
            const QString tag = reader.name().toString();
            e.order << tag;
            if (tag == "net") {
                const int port = reader.attributes().value("port").toInt();
                e.nets.insert(port, reader.readElementText());
            } else {
                const QString text = reader.readElementText();
                if (tag == "id")
                    e.id = text;
                else if (tag == "name")
                    e.name = text;
                else if (tag == "userName")
                    e.userName = text;
                else if (tag == "property")
                    e.property = text;
            }
        }
        entries << e;
    }
    if (reader.hasError())
        *error = reader.errorString();
    return entries;
}

} // namespace

class TestBlockXml : public QObject
{
    Q_OBJECT

private slots:
    void minimalElement();
    void logicElementAtLevelTwo();
    void portsInAscendingOrder();
    void escaping();
    void roundTrip();
};

void TestBlockXml::minimalElement()
{
    NIMLabel block(12, 0, "Label3");
    QCOMPARE(written(block, "Label", 0), QString("<entry term=\"Label\">\n"
                                                 "    <id>12</id>\n"
                                                 "    <name>Label3</name>\n"
                                                 "</entry>\n"));
}

void TestBlockXml::logicElementAtLevelTwo()
{
    NIM_IN in0(0, 0, "IN-CH0"), in1(1, 0, "IN-CH1");
    in1.setUserName("Veto");
    PreLogic logic(0, 0, "PreLgc1");
    logic.connectInput(-1, &in0);
    logic.connectInput(-1, &in1);
    QString expression = "_A and _B";
    QVERIFY(logic.setLogic(expression, true));
    QCOMPARE(written(logic, "PreLogic", 2), QString("        <entry term=\"PreLogic\">\n"
                                                    "            <id>0</id>\n"
                                                    "            <name>PreLgc1</name>\n"
                                                    "            <net port=\"0\">IN-CH0</net>\n"
                                                    "            <net port=\"1\">IN-CH1</net>\n"
                                                    "            <property>_A and _B</property>\n"
                                                    "        </entry>\n"));
    QCOMPARE(written(in1, "Input", 1), QString("    <entry term=\"Input\">\n"
                                               "        <id>1</id>\n"
                                               "        <name>IN-CH1</name>\n"
                                               "        <userName>Veto</userName>\n"
                                               "    </entry>\n"));
}

void TestBlockXml::portsInAscendingOrder()
{
    NIM_IN a(0, 0, "IN-CH0"), b(1, 0, "IN-CH1");
    NIMMsrCnt counter(0, 0, "MsrCnt0");
    counter.connectInput(3, &a);
    counter.connectInput(0, &b);
    const QStringList lines = written(counter, "MsrCnt0", 0).split('\n');
    QCOMPARE(lines.at(3), QString("    <net port=\"0\">IN-CH1</net>"));
    QCOMPARE(lines.at(4), QString("    <net port=\"3\">IN-CH0</net>"));
}

void TestBlockXml::escaping()
{
    NIM_IN source(0, 0, "a<b>&c");
    NIMMsrCnt counter(7, 1, "Cnt&\"1\"");
    counter.setUserName("R&D <\"x\">");
    counter.connectInput(0, &source);
    counter.setSettings(1, "true", "/logs/a&b<1>.csv", "");
    QCOMPARE(
        written(counter, "Msr\"Cnt\"&<0>", 0),
        QString("<entry term=\"Msr&quot;Cnt&quot;&amp;&lt;0&gt;\">\n"
                "    <id>7</id>\n"
                "    <name>Cnt&amp;\"1\"</name>\n"
                "    <userName>R&amp;D &lt;\"x\"&gt;</userName>\n"
                "    <net port=\"0\">a&lt;b&gt;&amp;c</net>\n"
                "    <property>Mode=1 FileSave=true PATH=/logs/a&amp;b&lt;1&gt;.csv</property>\n"
                "</entry>\n"));
}

void TestBlockXml::roundTrip()
{
    NIM_IN in0(0, 0, "IN-CH0"), user(9, 0, "IN-USER");
    user.setUserName("Start & Stop");
    PreLogic logic(4, 1, "PreLgc0");
    logic.connectInput(2, &in0);
    logic.connectInput(0, &user);
    QString expression = "(_A or _C) and not _B";
    QVERIFY(logic.setLogic(expression, true));
    NIMMsrCnt counter(3, 1, "MsrCnt2");
    counter.connectInput(1, &logic);
    counter.setSettings(5, "true", "C:/R&D/<run>/\"q\".csv", "kHz");

    QVector<BlockItem *> blocks = {&in0, &user, &logic, &counter};
    const QStringList terms = {"Input", "Input", "PreLogic", "MsrCnt2"};
    QString xml;
    for (int i = 0; i < blocks.size(); ++i)
        xml += written(*blocks[i], terms[i], 1);

    QString error;
    const QVector<Entry> entries = readEntries(xml, &error);
    QCOMPARE(error, QString());
    QCOMPARE(entries.size(), blocks.size());
    for (int i = 0; i < blocks.size(); ++i) {
        BlockItem *b = blocks[i];
        const Entry &e = entries[i];
        QCOMPARE(e.term, terms[i]);
        QCOMPARE(e.id, QString::number(b->id()));
        QCOMPARE(e.name, b->name());
        QCOMPARE(e.userName, b->userName());
        QCOMPARE(e.property, b->params());
        QCOMPARE(e.nets.size(), b->inputs().size());
        for (auto it = b->inputs().cbegin(); it != b->inputs().cend(); ++it)
            QCOMPARE(e.nets.value(it.key()), it.value()->name());
    }
    QCOMPARE(entries[2].order, (QStringList{"id", "name", "net", "net", "property"}));
    QCOMPARE(entries[1].order, (QStringList{"id", "name", "userName"}));
}

QTEST_MAIN(TestBlockXml)
#include "tst_blockxml.moc"
