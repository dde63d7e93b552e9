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

    // ---- Compiler: function-unit assignment, register image, lookup tables,
    // design rule check and verify comparison. ----
    // (declarations added by the compiler)
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
