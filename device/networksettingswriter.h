#ifndef NETWORKSETTINGSWRITER_H
#define NETWORKSETTINGSWRITER_H

class QUdpThread;

// What the module worker needs of the network setup dialog: the dialog writes its settings
// through the worker's register transfers, on the worker's thread. Failures are thrown the way
// the worker's own are (QRegx::ErrSts or a text), so the worker reports them.
class NetworkSettingsWriter
{
public:
    NetworkSettingsWriter() = default;
    virtual ~NetworkSettingsWriter() = default;
    NetworkSettingsWriter(const NetworkSettingsWriter &) = delete;
    NetworkSettingsWriter &operator=(const NetworkSettingsWriter &) = delete;

    virtual void writeSettings(QUdpThread *worker) = 0;
};

#endif
