#include "romfat.h"

#include <QTextCodec>

namespace {

const int UTF8Mib = 106;

} // namespace

QString RomFat::readLengthCorrupted()
{
    return QStringLiteral("FATAL Error! FAT is corrupted.");
}

QString RomFat::readLinkCorrupted()
{
    return QStringLiteral("FATAL Error!! FAT is corrupted.");
}

QString RomFat::readBeyondCorrupted()
{
    return QStringLiteral("FATAL Error: FAT is corrupted.");
}

QString RomFat::freeLinkCorrupted()
{
    return QStringLiteral("FATAL Error!!! FAT is corrupted.");
}

QString RomFat::freeLengthCorrupted()
{
    return QStringLiteral("FATAL Error. FAT is corrupted.");
}

QByteArray RomFat::emptyImage()
{
    QByteArray fat(ClusterSize, char(0xFF));
    for (int p = 0; p < Pages; ++p)
        setEntry(fat, p, NoFileEntry);
    setEntry(fat, FatCluster, NoFileEntry);
    return fat;
}

// Entries past a short image read as free, so a truncated table cannot be read out of bounds.
quint16 RomFat::entry(const QByteArray &fat, int cluster)
{
    if (cluster < 0 || 2 * cluster + 1 >= fat.size())
        return FreeEntry;
    return quint16((quint8(fat[2 * cluster]) << 8) | quint8(fat[2 * cluster + 1]));
}

void RomFat::setEntry(QByteArray &fat, int cluster, quint16 value)
{
    if (cluster < 0 || 2 * cluster + 1 >= fat.size())
        return;
    fat[2 * cluster] = char(value >> 8);
    fat[2 * cluster + 1] = char(value & 0xFF);
}

bool RomFat::hasFile(const QByteArray &fat, int page)
{
    return (entry(fat, page) >> 8) != 0xFE;
}

void RomFat::resetVisited(QSet<int> &visited)
{
    visited.clear();
    for (int p = 0; p < Pages; ++p)
        visited.insert(p);
    visited.insert(FatCluster);
}

bool RomFat::seen(QSet<int> &visited, int cluster)
{
    if (cluster == -1) {
        resetVisited(visited);
        return false;
    }
    if (visited.contains(cluster))
        return true;
    visited.insert(cluster);
    return false;
}

RomFat::Link RomFat::step(const QByteArray &fat, int cluster, QSet<int> &visited)
{
    const quint16 e = entry(fat, cluster);
    if (e & LastCluster) {
        // Free and no-file marks inside a chain land here too: their length part is too big.
        const int length = e & 0x7FFF;
        if (length > MaxLastLength)
            throw readLengthCorrupted();
        return Link{cluster, length + 1, -1, true};
    }
    if (seen(visited, e))
        throw readLinkCorrupted();
    return Link{cluster, ClusterSize, e, false};
}

QVector<RomFat::Link> RomFat::chain(const QByteArray &fat, int page)
{
    QVector<Link> links;
    if (page < 0 || page >= Pages || !hasFile(fat, page))
        return links;
    QSet<int> visited;
    resetVisited(visited);
    int cluster = page;
    while (cluster <= PoolLast) {
        const Link link = step(fat, cluster, visited);
        links.append(link);
        if (link.last)
            return links;
        cluster = link.next;
    }
    throw readBeyondCorrupted();
}

void RomFat::freeChain(QByteArray &fat, int page)
{
    if (page < 0 || page >= Pages || !hasFile(fat, page))
        return;
    QSet<int> visited;
    resetVisited(visited);
    int t = page;
    int e = entry(fat, page);
    for (;;) {
        if (e & LastCluster) {
            setEntry(fat, t, FreeEntry);
            return;
        }
        setEntry(fat, t, FreeEntry);
        if (e > PoolLast || seen(visited, e))
            throw freeLinkCorrupted();
        const int n = entry(fat, e);
        if (n & LastCluster) {
            if ((n & 0x7FFF) > MaxLastLength)
                throw freeLengthCorrupted();
            setEntry(fat, e, FreeEntry);
            return;
        }
        t = e;
        e = n;
    }
}

int RomFat::clustersFor(qint64 size)
{
    return size <= 0 ? 0 : int((size + ClusterSize - 1) / ClusterSize);
}

bool RomFat::hasSpace(const QByteArray &fat, qint64 size)
{
    const int needed = clustersFor(size) - 1;
    if (needed <= 0)
        return true;
    int found = 0;
    for (int n = PoolFirst; n <= PoolLast && found < needed; ++n)
        if (isFree(entry(fat, n)))
            ++found;
    return found >= needed;
}

int RomFat::nextFree(const QByteArray &fat, int after)
{
    for (int n = qMax(after + 1, PoolFirst); n <= PoolLast; ++n)
        if (isFree(entry(fat, n)))
            return n;
    return -1;
}

QVector<int> RomFat::allocate(QByteArray &fat, int page, qint64 size)
{
    QVector<int> clusters;
    if (page < 0 || page >= Pages || size <= 0 || !hasSpace(fat, size))
        return clusters;
    QByteArray table = fat;
    int cluster = page;
    qint64 left = size;
    for (;;) {
        clusters.append(cluster);
        const int bytes = int(qMin<qint64>(left, ClusterSize));
        left -= bytes;
        if (left == 0) {
            setEntry(table, cluster, quint16(LastCluster | (bytes - 1)));
            fat = table;
            return clusters;
        }
        const int next = nextFree(table, cluster);
        if (next < 0)
            return QVector<int>();
        setEntry(table, cluster, quint16(next));
        cluster = next;
    }
}

QString RomFat::comment(const QByteArray &directoryEntry)
{
    const int end = directoryEntry.indexOf('\0');
    const QByteArray bytes = end < 0 ? directoryEntry : directoryEntry.left(end);
    // With a state the decoder keeps an incomplete last character back instead of failing.
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text =
        QTextCodec::codecForMib(UTF8Mib)->toUnicode(bytes.constData(), bytes.size(), &state);
    // Only a full entry can end in a cut character; before a zero byte it means another coding.
    const bool cut = state.remainingChars > 0 && end >= 0;
    return state.invalidChars == 0 && !cut ? text : QString::fromLatin1(bytes);
}

QByteArray RomFat::directoryEntry(const QString &comment)
{
    QByteArray bytes = comment.toUtf8();
    if (bytes.size() > DirectoryEntryLength) {
        int cut = DirectoryEntryLength;
        while (cut > 0 && (quint8(bytes.at(cut)) & 0xC0) == 0x80)
            --cut; // the byte at `cut` continues a character that would be split
        bytes.truncate(cut);
    }
    return bytes + QByteArray(DirectoryEntryLength - bytes.size(), '\0');
}

QString RomFat::pageName(int page, const QByteArray &directoryEntry)
{
    const QString text = comment(directoryEntry);
    const QString prefix = QStringLiteral("ROM%1-").arg(page);
    if (text.isEmpty())
        return QStringLiteral("ROM%1").arg(page);
    return text.startsWith(prefix) ? text : prefix + text;
}
