#ifndef ROMPAGEHOST_H
#define ROMPAGEHOST_H

#include <QByteArray>

// What the ROM page dialog asks of the window that opened it (its parent).
class RomPageHost
{
public:
    RomPageHost() = default;
    virtual ~RomPageHost() = default;
    RomPageHost(const RomPageHost &) = delete;
    RomPageHost &operator=(const RomPageHost &) = delete;

    virtual bool isDocumentModified() const = 0;
    // Saves the document under its name, asking for one when it has none; false when nothing
    // was saved.
    virtual bool saveDocument() = 0;
    // Starts the page operation: entry empty or the page's new 112-byte directory entry, bootPage
    // -1 or the page to boot from, page the page saved or restored.
    virtual void romTransfer(const QByteArray &entry, int bootPage, int page) = 0;
};

#endif
