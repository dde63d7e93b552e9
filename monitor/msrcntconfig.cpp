#include "msrcntconfig.h"

#include "blockitem.h"
#include "blockmode.h"
#include "programdata.h"

void readMsrCntAttributes(ProgramData *design, int *mode, QString *path, QString *name,
                          QString *unit)
{
    const QLatin1String prefix("MsrCnt");
    for (int n = 0; n < MsrCntConfig::channels; ++n)
        mode[n] = -1;
    if (!design)
        return;
    for (BlockItem *block : design->msrCntBlocks()) {
        const QString kind = block->kind();
        if (!kind.startsWith(prefix))
            continue;
        bool numeric = false;
        int n = kind.mid(prefix.size()).toInt(&numeric, 10);
        if (!numeric)
            n = 0;
        // The arrays hold four channels; a kind naming any other one has nowhere to go.
        if (n < 0 || n >= MsrCntConfig::channels)
            continue;

        const int m = BlockMode::measureMode(block);
        mode[n] = m;

        if (!block->params().isEmpty()) {
            QString fileSave;
            block->param(fileSave, QStringLiteral("FileSave"));
            unit[n].clear();
            bool logging = true;
            if (fileSave == QLatin1String("0") || fileSave == QLatin1String("false"))
                logging = false;
            else if (fileSave != QLatin1String("1") && fileSave != QLatin1String("true"))
                unit[n] = fileSave; // any other value stands for the unit
            if (unit[n].isEmpty())
                block->param(unit[n], QStringLiteral("Unit"));
            block->param(path[n], QStringLiteral("PATH"));
            if (!logging)
                path[n].clear();
        } else {
            path[n].clear();
        }
        if (m & 0x08)
            unit[n].clear(); // a counting source has no time unit
        else if (unit[n].isEmpty())
            unit[n] = QStringLiteral("nsec");
        name[n] = block->displayName();
    }
}
