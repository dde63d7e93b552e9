#ifndef DESIGNKIT_H
#define DESIGNKIT_H

#include <QList>
#include <QString>

class BlockItem;
class ProgramData;

// Builds designs the way the editor does: through the container's factories,
// with kind words set and wires made with connectInput.
class DesignKit
{
public:
    explicit DesignKit(ProgramData &design, int sheet = 0);

    void setSheet(int sheet) { m_sheet = sheet; }

    BlockItem *input(const QString &name, const QString &settings = QString());
    // Logic blocks take their sources on the lowest free ports.
    BlockItem *preLogic(const QString &expression, const QList<BlockItem *> &sources);
    BlockItem *postLogic(const QString &expression, const QList<BlockItem *> &sources);
    BlockItem *counter(const QString &settings, BlockItem *source);
    BlockItem *delay(const QString &settings, BlockItem *source);
    BlockItem *pass(BlockItem *source);
    BlockItem *output(int channel, BlockItem *source, const QString &settings = QString());
    BlockItem *msrCnt(int channel, BlockItem *gate, BlockItem *source,
                      const QString &settings = QString());
    // A feedback sink in the output column and a user of it in the PreLogic column.
    BlockItem *feedback(BlockItem *source);
    BlockItem *feedbackUser(BlockItem *feedback);
    // A label source in the function column ("PreLabel") and a user of it.
    BlockItem *preLabel(BlockItem *source);
    BlockItem *labelUser(BlockItem *labelSource);

    // Every function unit, input channel, output, measurement counter and
    // kind of label used; logic blocks with all their ports wired.
    static void buildFullDesign(ProgramData &design);

private:
    int nextId() { return m_id++; }

    ProgramData &m_design;
    int m_sheet;
    int m_id = 0;
};

#endif // DESIGNKIT_H
