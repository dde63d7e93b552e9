#ifndef WINDOWKIT_H
#define WINDOWKIT_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

class BlockItem;
class MainWindow;
class ProgramData;
class QTemporaryDir;

// Helpers of the tests that drive a whole window: document texts, windows on
// 127.0.0.1 and what the design and palette hold afterwards. Test classes
// derive from it so that the helpers read as their own.
class WindowKit
{
public:
    // Points XDG_CONFIG_HOME at a folder of this program's own, so that test
    // programs running side by side never share one settings store. Call it
    // from initTestCase: it verifies the store really lives there.
    static void isolateSettings();

    // A window without a file; with start-up settings it is addressed to
    // 127.0.0.1 and does not connect by itself.
    static std::unique_ptr<MainWindow> newWindow(bool withStartup = false);

    // One `entry` element: kind word, row and name, then `extra` as written.
    static QByteArray entry(const QByteArray &term, int id, const QByteArray &name,
                            const QByteArray &extra = QByteArray());
    // A whole design document around `body`, which holds tabs or entries.
    static QByteArray document(const QByteArray &body,
                               const QByteArray &root = "<Zivra3 addr=\"127.0.0.1\">");

    static int blockCount(ProgramData *design);
    static QVector<BlockItem *> blocks(ProgramData *design);
    // What differs from each sheet showing exactly its blocks' pictures, at their places.
    static QString picturesMismatch(MainWindow *window);
    // What differs from the current sheet's last paint drawing exactly its blocks' wires and
    // the window showing the sheet as a fresh paint would.
    static QString wiresMismatch(MainWindow *window);
    static BlockItem *find(const QVector<BlockItem *> &list, const QString &name, int sheet);
    // The palette's remaining count of a kind.
    static int remaining(MainWindow *window, const char *kind);

    // A file under tests/data; empty if it cannot be read.
    static QByteArray dataFile(const char *name);
    // Writes `bytes` to `name` in `dir` and returns the path, written or not.
    static QString writeFile(const QTemporaryDir &dir, const QString &name,
                             const QByteArray &bytes);
    static QByteArray readFile(const QString &path);
};

#endif // WINDOWKIT_H
