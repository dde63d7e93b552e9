#ifndef PROGRAMDATA_H
#define PROGRAMDATA_H

#include <QString>
#include <QStringList>
#include <QVector>

class BlockItem;
class LabelRegistry;
class NIM_IN;
class QTextDocument;
class RegisterWriter;

// The design container of one document: owns every block of every sheet.
class ProgramData
{
public:
    explicit ProgramData(LabelRegistry *labelStrip);
    ~ProgramData();
    ProgramData(const ProgramData &) = delete;
    ProgramData &operator=(const ProgramData &) = delete;

    void clear();
    void removeBlocksOfSheet(int sheet);
    void deleteBlock(BlockItem *block);

    BlockItem *createInput(int id, int sheet, const QString &name);
    BlockItem *createPreLogic(int id, int sheet, const QString &name);
    BlockItem *createPostLogic(int id, int sheet, const QString &name);
    BlockItem *createFunction(int id, int sheet, const QString &name);
    BlockItem *createFeedBackIN(int id, int sheet, const QString &name);
    BlockItem *createLabelIN(int id, int sheet, const QString &name);
    BlockItem *createFncLabel(int id, int sheet, const QString &name);
    BlockItem *createLabel(int id, int sheet, const QString &name);
    NIM_IN *findOrCreateInput(int id, int sheet);

    BlockItem *createDefaultPreLogic(int id, int sheet);
    BlockItem *createDefaultPostLogic(int id, int sheet);
    BlockItem *createDefaultCntFnc(int id, int sheet);
    BlockItem *createDefaultDlyFnc(int id, int sheet);
    BlockItem *createDefaultFeedBackIN(int id, int sheet);
    BlockItem *createDefaultLabelIN(int id, int sheet);
    BlockItem *createDefaultNonFnc(int id, int sheet, QString &name);
    BlockItem *createDefaultMsrCnt(int id, int sheet, QString &name);
    BlockItem *createDefaultOut(int id, int sheet, QString &name);

    bool isNameFree(const QString &name, bool checkNames);
    void candidateNames(const QString &kind, QStringList &names, int sheet);

    // Measurement counters ("MsrCnt" kind prefix) of sinkBlocks in creation order.
    QVector<BlockItem *> msrCntBlocks() const;

    // A channel may stand on several sheets, and its settings are one: the
    // blocks of an input channel by name, of an output channel by kind word,
    // in the order in which the compiler meets them.
    QVector<BlockItem *> channelBlocks(const QString &channel) const;
    // Every block of the channel takes these settings.
    void setChannelSettings(const QString &channel, const QString &settings);
    // A new copy of an input channel shows the user name the channel has on other sheets, and
    // its own name when there is none.
    void adoptChannelUserName(BlockItem *block, const QString &channel);
    // A new copy of a channel takes the settings of the channel's first other
    // block; without one it keeps its own. Returns whether it took them.
    bool adoptChannelSettings(BlockItem *block, const QString &channel);

    // ---- Compiler: function-unit assignment, register image, lookup tables,
    // design rule check and verify comparison. ----

    // Slot of delay unit b and of pass-through unit p; counter unit c is in slot 3 + c.
    static const int delayUnitSlot[8];
    static const int passUnitSlot[6];

    // Places every function block on a unit slot and derives the three flag words.
    void assignResources();
    // Empties all eleven slots.
    void resetUnitSlots();

    // Compiles the design and writes the whole register image through the
    // writer. Every expression is checked before the first write; a bad one is
    // thrown as "name: message". The writer's own failures pass through.
    bool download(RegisterWriter *writer);

    void outputLevelMasks(quint8 &nimMask, quint8 &ttlMask);
    quint8 inputPolarityMask();
    quint16 userControlMask();
    int threshold(int n);
    void userCounterWords(quint32 &main, quint32 &sub);

    // Lookup-table entries; assignResources must have run. Expression errors
    // are thrown as "name: message".
    quint16 functionTableEntry(quint16 inputWord);
    quint8 outputTableEntry(int i);
    quint8 delayTableEntry(int i);
    quint8 msrCntTableEntry(int i);
    bool labelTableEntry(int i, BlockItem *logic);

    // Design rule check: number of errors, -1 for warnings only, 0 when clean.
    int checkDesign(QTextDocument *report);

    // Compare bytes read back from the module with the compiled design; on the
    // first difference a description is appended to diff and false returned.
    bool verifyRegisters(const QByteArray &data, QString &diff);
    bool verifyFunctionTable(const QByteArray &data, QString &diff);
    bool verifyOutputTable(const QByteArray &data, QString &diff);
    bool verifyDelayTable(const QByteArray &data, QString &diff);
    bool verifyMsrCntTable(const QByteArray &data, QString &diff);
    static void appendDiff8(quint32 address, quint32 expected, quint32 read, QString &diff);
    static void appendDiff16(quint32 address, quint32 expected, quint32 read, QString &diff);
    static void appendDiff32(quint32 address, quint32 expected, quint32 read, QString &diff);
    void registerTableHtml(QString &text);

    // One register of the configuration area 0x0004-0x008F.
    struct ConfigRegister {
        quint32 address;
        int width; // bytes: 1, 2 or 4
        quint32 value;
        bool compared; // false for the constant zeros that verify skips
    };
    // The configuration area in writing order; assignResources must have run.
    QVector<ConfigRegister> configRegisters();

private:
    bool verifyByteTable(const QByteArray &data, QString &diff, int table, quint32 base);

public:
    // ---- end of compiler ----

    LabelRegistry *labelStrip() const { return m_labelStrip; }
    void setLabelStrip(LabelRegistry *labelStrip) { m_labelStrip = labelStrip; }

    QStringList inputNames;
    QVector<BlockItem *> inputBlocks;
    QVector<BlockItem *> preLogicBlocks;
    QVector<BlockItem *> postLogicBlocks;
    QVector<BlockItem *> functionBlocks;
    QVector<BlockItem *> sinkBlocks;
    QVector<BlockItem *> labelBlocks;

    // Function-unit resource table, rewritten by each function-unit assignment.
    int nonFncCount = 0;
    int dlyFncCount = 0;
    int cntFncCount = 0;
    BlockItem *unitSlots[11] = {};
    quint16 unitModeMask = 0;
    quint8 counterFeedbackMask = 0;
    quint8 delayFeedbackMask = 0;

private:
    void destroyBlock(BlockItem *block);
    BlockItem *createNumbered(const QString &prefix, const QVector<BlockItem *> &list, int id,
                              int sheet,
                              BlockItem *(ProgramData::*factory)(int, int, const QString &));

    LabelRegistry *m_labelStrip;
};

#endif // PROGRAMDATA_H
