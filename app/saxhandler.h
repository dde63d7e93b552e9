#ifndef SAXHANDLER_H
#define SAXHANDLER_H

#include <QMap>
#include <QString>

// QXmlDefaultHandler is deprecated in Qt 5.15; the reader is built on it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <QXmlDefaultHandler>

class MainWindow;

// Reads a design document (or pasted entries) into the window element by
// element: the root's connection settings, the tabs, and one block per entry.
class SaxHandler : public QXmlDefaultHandler
{
public:
    // Sheet ids above this are refused: a document never needs more sheets,
    // and each one costs a whole canvas.
    static const int maxSheetId = 255;
    // A document nests four levels deep. The reader descends recursively, so
    // a hostile file of very deeply nested elements would exhaust the stack
    // before it ends; such a file is refused long before that.
    static const int maxDepth = 32;

    explicit SaxHandler(MainWindow *mainWindow);

    bool startElement(const QString &namespaceURI, const QString &localName, const QString &qName,
                      const QXmlAttributes &attributes) override;
    bool endElement(const QString &namespaceURI, const QString &localName,
                    const QString &qName) override;
    bool characters(const QString &text) override;
    bool fatalError(const QXmlParseException &exception) override;
    QString errorString() const override;

    void setPrePass(bool prePass) { this->prePass = prePass; }
    bool isRootMissing() const { return rootMissing; }

    // The first character decides whether a text is a value: control
    // characters (line breaks, tabs) and unassigned code points are not.
    static bool isValueText(const QString &text);

private:
    // Stores the text gathered since the last tag under the current key.
    void flushText();

    MainWindow *mainWindow;
    QMap<QString, QString> entryValues;
    QString term;
    QString key;
    QString pendingText;
    QString refusal;
    int tabIndex = 0;
    int depth = 0;
    bool prePass = false;
    bool rootMissing = true;
};

#pragma GCC diagnostic pop

#endif // SAXHANDLER_H
