#include "streamoptions.h"

#include "moduleemulator.h"

#include <QCommandLineParser>

namespace {

bool readCount(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 limit,
               qint64 *value, QString *error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 number = parser.value(option).toLongLong(&ok, 0);
    if (!ok || number < 0 || number > limit) {
        *error =
            QStringLiteral("invalid --%1: %2").arg(option.names().first(), parser.value(option));
        return false;
    }
    *value = number;
    return true;
}

} // namespace

StreamOptions::StreamOptions(QCommandLineParser &parser)
    : interval(QStringLiteral("stream-interval"),
               QStringLiteral("Milliseconds between records of each running channel (0 = none)."),
               QStringLiteral("MS")),
      channels(QStringLiteral("channels"),
               QStringLiteral("Channels running at start, a bit mask (default 0xF)."),
               QStringLiteral("MASK")),
      values(QStringLiteral("values"),
             QStringLiteral("Values per channel as first:step, up to four pairs separated by "
                            "commas; the last pair serves the remaining channels."),
             QStringLiteral("F:S,...")),
      invalidEvery(QStringLiteral("invalid-every"),
                   QStringLiteral("An invalid record after every N records (0 = never)."),
                   QStringLiteral("N")),
      segmentBytes(QStringLiteral("segment-bytes"),
                   QStringLiteral("Send the stream in pieces of N bytes, one at a time."),
                   QStringLiteral("N")),
      closeAfter(QStringLiteral("close-after"),
                 QStringLiteral("Close each stream connection after N records."),
                 QStringLiteral("N")),
      flood(QStringLiteral("flood"), QStringLiteral("Send records as fast as the socket takes."))
{
    parser.addOption(interval);
    parser.addOption(channels);
    parser.addOption(values);
    parser.addOption(invalidEvery);
    parser.addOption(segmentBytes);
    parser.addOption(closeAfter);
    parser.addOption(flood);
}

bool StreamOptions::apply(const QCommandLineParser &parser, ModuleEmulator *emulator,
                          QString *error) const
{
    StreamPlan plan = emulator->streamPlan();
    qint64 number = -1;
    if (!readCount(parser, interval, 3600000, &number, error))
        return false;
    if (number >= 0)
        emulator->setStreamInterval(int(number));
    number = plan.runningAtStart;
    if (!readCount(parser, channels, 0x0F, &number, error))
        return false;
    plan.runningAtStart = quint8(number);
    if (parser.isSet(values) && !plan.setValues(parser.value(values))) {
        *error = QStringLiteral("invalid --values: %1").arg(parser.value(values));
        return false;
    }
    number = plan.invalidEvery;
    if (!readCount(parser, invalidEvery, 1 << 30, &number, error))
        return false;
    plan.invalidEvery = int(number);
    number = plan.segmentBytes;
    if (!readCount(parser, segmentBytes, 1 << 20, &number, error))
        return false;
    plan.segmentBytes = int(number);
    if (!readCount(parser, closeAfter, Q_INT64_C(1) << 60, &plan.closeAfter, error))
        return false;
    plan.flood = parser.isSet(flood);
    emulator->setStreamPlan(plan);
    return true;
}
