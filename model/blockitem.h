#ifndef BLOCKITEM_H
#define BLOCKITEM_H

#include <QLine>
#include <QMap>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QVector>

class NIMActionCopy;
class NIMActionCut;
class NIMActionDelete;
class NIMActionEdit;
class NIMActionRename;
class ProgramWidget;
class QFont;
class QLabel;
class QTextStream;

// Base of every block placed on a sheet. Blocks never own one another; the
// design container creates and destroys them.
//
// Wiring invariant: for every entry (port, S) of inputs() of block B, B is
// listed in S->outputs() once per port of B fed by S.
class BlockItem
{
public:
    BlockItem(int id, int sheet);
    virtual ~BlockItem();

    // The context actions of the block's label on that sheet; the sheet owns them.
    virtual NIMActionRename *createRenameAction(ProgramWidget *sheet);
    virtual NIMActionCut *createCutAction(ProgramWidget *sheet);
    virtual NIMActionCopy *createCopyAction(ProgramWidget *sheet);
    virtual NIMActionDelete *createDeleteAction(ProgramWidget *sheet);
    virtual NIMActionEdit *createEditAction(ProgramWidget *sheet);
    virtual void setOwner(QLabel *owner);
    virtual QLabel *owner();
    virtual void setPos(const QPoint &pos);
    virtual QPoint &pos();
    virtual void setPixmap(const QPixmap &pixmap);
    virtual void setBasePixmap(const QPixmap &pixmap);
    virtual QPixmap &pixmap();
    virtual QPixmap &basePixmap();
    virtual QString &params();
    virtual QVector<BlockItem *> &outputs();
    virtual void addOutput(BlockItem *target);
    virtual void removeOutput(BlockItem *target);
    virtual int connectInput(int port, BlockItem *source);
    virtual BlockItem *inputAt(int port);
    virtual QMap<int, BlockItem *> &inputs();
    virtual void removeInput(int port);
    virtual void removeInputLine(const QPoint &end);
    virtual void disconnectSource(BlockItem *source);
    virtual BlockItem *sourceAt(QPoint point);
    virtual QString &name();
    virtual void setName(const QString &name);
    virtual QString displayName();
    virtual void setUserName(const QString &userName);
    virtual QString &userName();
    virtual int sheet();
    virtual void setKind(const QString &kind);
    virtual QString &kind();
    virtual QPoint outputPoint();
    virtual void setId(int id);
    virtual int id();
    virtual void identity(int &id, int &sheet, QString &name);
    virtual bool contains(int sheet, QPoint point);
    virtual void writeXml(QTextStream &stream, const QString &term, int level);
    virtual QVector<QLine> inputLines();
    virtual void param(QString &value, const QString &key);
    virtual void mainCnt(QString &value);
    virtual void subCnt(QString &value);
    virtual void disp(QString &value);
    virtual unsigned int timeToNs(QString &text);
    virtual void drawLabel(const QString &text);
    virtual QString indent(int level);

    // XML character data: & < > as entities; attribute values also escape the quote.
    static QString escapeText(const QString &text);
    static QString escapeAttribute(const QString &text);

    // Font of every block caption.
    static QFont labelFont();

protected:
    // Loads the kind's icon; a missing resource leaves a transparent picture of the given size.
    void loadIcon(const QString &path, int width, int height);

    int m_id;
    int m_sheet;
    QLabel *m_owner = nullptr;
    QPoint m_pos;
    QString m_kind;
    QString m_name;
    QString m_userName;
    QString m_params;
    QPixmap m_pixmap;
    QPixmap m_basePixmap;
    QMap<int, BlockItem *> m_inputs;
    QVector<BlockItem *> m_outputs;
};

#endif // BLOCKITEM_H
