#ifndef SETTINGSDIALOGS_H
#define SETTINGSDIALOGS_H

#include "modalhooks.h"

class QWidget;

// The settings dialog of each block kind, as the Edit action opens it.
class SettingsDialogs
{
public:
    // The window of the request, placed and titled but not shown: for the
    // logic dialog its scroll-area window (deleted when closed), for the
    // others the dialog itself. Null for a kind without a dialog.
    static QWidget *create(const ModalHooks::SettingsRequest &request);
    // Creates and shows it: the logic window application-modal without
    // waiting, the others run modally and deleted afterwards.
    static void run(const ModalHooks::SettingsRequest &request);
};

#endif // SETTINGSDIALOGS_H
