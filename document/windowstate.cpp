#include "document/windowstate.h"

WindowState::WindowState(char downloadSeparator, char ackChar, QObject *parent)
    : QObject(parent)
    , m_downloadSeparator(downloadSeparator)
    , m_ackChar(ackChar)
{
}

void WindowState::setPort(const QString &portName, qint32 baudRate)
{
    if (portName == m_portName && baudRate == m_baudRate)
        return;
    m_portName = portName;
    m_baudRate = baudRate;
    emit portChanged();
}

void WindowState::setProgramMode(bool programMode)
{
    if (programMode == m_programMode)
        return;
    m_programMode = programMode;
    emit programModeChanged(m_programMode);
}
