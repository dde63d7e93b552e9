#ifndef ROMFAT_H
#define ROMFAT_H

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The file allocation table that the editor keeps in the module's last cluster: 2048 big-endian
// 16-bit entries, one per cluster. Page p's file starts in cluster p and goes on in pool clusters
// 16..2046. Plain functions over a 4096-byte image; corruption is thrown as a QString.
class RomFat
{
public:
    static constexpr int ClusterSize = 4096;
    static constexpr int ClusterCount = 2048;
    static constexpr int FatCluster = 2047;
    static constexpr int Pages = 16;
    static constexpr int PoolFirst = 16;
    static constexpr int PoolLast = 2046;
    static constexpr quint16 FreeEntry = 0xFFFF;
    static constexpr quint16 NoFileEntry = 0xFEFE;
    static constexpr quint16 LastCluster = 0x8000; // bit 15; bits 0..14 = bytes in it - 1
    static constexpr int MaxLastLength = ClusterSize - 1;
    static constexpr int DirectoryEntryLength = 112;

    // One cluster of a file: its number, the bytes it holds, the next cluster unless it is last.
    struct Link {
        int cluster;
        int size;
        int next;
        bool last;
    };

    static QString readLengthCorrupted(); // a last-cluster length above 4095 met while reading
    static QString readLinkCorrupted(); // reading: a link back into the chain, a page or the table
    static QString readBeyondCorrupted(); // reading: a link past the store
    static QString freeLinkCorrupted();   // freeing: a link to the table or beyond, a page, a loop
    static QString freeLengthCorrupted(); // freeing: a last-cluster length above 4095

    static QByteArray emptyImage();
    static quint16 entry(const QByteArray &fat, int cluster);
    static void setEntry(QByteArray &fat, int cluster, quint16 value);
    static bool isFree(quint16 value) { return (value >> 8) == 0xFF; }
    static bool hasFile(const QByteArray &fat, int page);

    // The loop guard: reset it to the page clusters and the table's own cluster; seen() adds a
    // cluster and tells whether it was there already (cluster -1 resets, like the worker's guard).
    static void resetVisited(QSet<int> &visited);
    static bool seen(QSet<int> &visited, int cluster);

    // Checks the entry of `cluster` during a read walk and returns its link.
    static Link step(const QByteArray &fat, int cluster, QSet<int> &visited);
    // The whole chain of page `page`, in reading order; empty for a page without a file.
    static QVector<Link> chain(const QByteArray &fat, int page);

    // Frees page `page`'s file: all its entries become free, the page's own included.
    static void freeChain(QByteArray &fat, int page);

    static int clustersFor(qint64 size);
    // Whether the pool still has the clusters that a file of `size` bytes needs beyond its page.
    static bool hasSpace(const QByteArray &fat, qint64 size);
    // The lowest free pool cluster above `after`, or -1.
    static int nextFree(const QByteArray &fat, int after);
    // Chains a file of `size` bytes (at least 1) from page `page` through the lowest free pool
    // clusters and returns its clusters in order. Empty, the table unchanged, when it cannot.
    static QVector<int> allocate(QByteArray &fat, int page, qint64 size);

    // A ROM directory entry's comment: its bytes up to the first zero byte, read as UTF-8 when
    // they are valid UTF-8 (a character cut off at the entry's end is dropped), else as Latin-1.
    static QString comment(const QByteArray &directoryEntry);
    // The 112-byte directory entry of a comment: its UTF-8 bytes, cut at a character boundary
    // when they do not fit, followed by zero bytes.
    static QByteArray directoryEntry(const QString &comment);
    // The page's display name: "ROM<p>-" before the comment, or "ROM<p>" without one.
    static QString pageName(int page, const QByteArray &directoryEntry);
};

#endif
