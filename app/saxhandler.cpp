#include "saxhandler.h"

#include "mainwindow.h"
#include "modalhooks.h"

#include <QCoreApplication>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

SaxHandler::SaxHandler(MainWindow *mainWindow) : mainWindow(mainWindow) {}

bool SaxHandler::isValueText(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar::Category category = text.at(0).category();
    return category != QChar::Other_Control && category != QChar::Other_NotAssigned;
}

void SaxHandler::flushText()
{
    // The parser may hand over one text in several pieces (around entity
    // references, for example): the whole text is judged and stored at once.
    if (isValueText(pendingText))
        entryValues.insert(key, pendingText);
    pendingText.clear();
}

bool SaxHandler::startElement(const QString &, const QString &, const QString &qName,
                              const QXmlAttributes &attributes)
{
    flushText();
    if (++depth > maxDepth) {
        refusal = QCoreApplication::translate("SaxHandler", "elements nested too deeply");
        return false;
    }
    if (qName == QLatin1String("entry")) {
        term = attributes.value(QStringLiteral("term"));
        entryValues.clear();
    } else if (qName == QLatin1String("Zivra3")) {
        rootMissing = false;
        // Pasted text brings blocks only: neither the module's address nor
        // sheets come from the clipboard.
        if (mainWindow->isPasting())
            return true;
        ConnectionSettings &settings = mainWindow->connectionSettings;
        settings.host = attributes.value(QStringLiteral("addr"));
        settings.tcpPort =
            static_cast<quint16>(attributes.value(QStringLiteral("tcpPort")).toInt());
        settings.udpPort =
            static_cast<quint16>(attributes.value(QStringLiteral("udpPort")).toInt());
        const QString timeoutText = attributes.value(QStringLiteral("Timeout"));
        bool number = false;
        const qlonglong seconds = timeoutText.toLongLong(&number);
        if (number && seconds > ConnectionSettings::maxTimeout) {
            // Too long to be meant; the default is used and the user told on loading.
            settings.timeout = 1;
            mainWindow->allSettingsTaken = false;
        } else {
            const int timeout = timeoutText.toInt();
            settings.timeout = timeout == 0 ? 1 : timeout;
        }
        settings.autoConnect =
            attributes.value(QStringLiteral("autoConnect")) == QLatin1String("true");
    } else if (qName == QLatin1String("tab")) {
        if (mainWindow->isPasting())
            return true;
        bool ok = false;
        const int id = attributes.value(QStringLiteral("id")).toInt(&ok);
        tabIndex = ok ? id : 0;
        if (tabIndex < 0 || tabIndex > maxSheetId) {
            refusal = QCoreApplication::translate("SaxHandler", "sheet id %1 out of range")
                          .arg(attributes.value(QStringLiteral("id")));
            return false;
        }
        mainWindow->ensureTab(tabIndex, attributes.value(QStringLiteral("name")));
    } else if (qName == QLatin1String("wire")) {
        key = attributes.value(QStringLiteral("bit"));
    } else if (qName == QLatin1String("net")) {
        key = attributes.value(QStringLiteral("port"));
    } else {
        key = qName;
    }
    return true;
}

bool SaxHandler::endElement(const QString &, const QString &, const QString &qName)
{
    flushText();
    --depth;
    if (qName != QLatin1String("entry"))
        return true;
    const bool accepted = mainWindow->restoreEntry(term, tabIndex, entryValues, prePass);
    term.clear();
    if (!accepted)
        refusal =
            QCoreApplication::translate("SaxHandler", "entry without a usable id, kind or sheet");
    return accepted;
}

bool SaxHandler::characters(const QString &text)
{
    pendingText += text;
    return true;
}

bool SaxHandler::fatalError(const QXmlParseException &exception)
{
    ModalHooks::warning(
        nullptr, QCoreApplication::translate("SaxHandler", "SAX Handler"),
        QCoreApplication::translate("SaxHandler", "Parse error at line %1, column %2:\n%3.")
            .arg(exception.lineNumber())
            .arg(exception.columnNumber())
            .arg(exception.message()));
    return false;
}

QString SaxHandler::errorString() const
{
    return refusal.isEmpty() ? QXmlDefaultHandler::errorString() : refusal;
}
