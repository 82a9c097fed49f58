#pragma once

#include "document/modulemodel.h"

#include <QtCore/QObject>
#include <QtCore/QString>

// What the window remembers between commands: the port in use, whether the
// module is in programming mode, its memory, the open file, the default
// configuration's information lines and the module's picture. Every command
// part reads and writes it here; whoever shows a part of it listens.
class WindowState : public QObject
{
    Q_OBJECT

public:
    // The record separator and the module's acknowledgement of a download
    // come from the layers that define them.
    WindowState(char downloadSeparator, char ackChar, QObject *parent = nullptr);

    const QString &portName() const { return m_portName; }
    qint32 baudRate() const { return m_baudRate; }
    void setPortName(const QString &portName) { setPort(portName, m_baudRate); }
    void setBaudRate(qint32 baudRate) { setPort(m_portName, baudRate); }
    void setPort(const QString &portName, qint32 baudRate);

    bool programMode() const { return m_programMode; }
    void setProgramMode(bool programMode);

    // What the memory-size mode last made of the module's memory: the number
    // of telephone records a transfer uses, and what a download fits the form to.
    qint32 memorySize() const { return m_moduleModel.entries; }
    const modulemodel::Model &moduleModel() const { return m_moduleModel; }
    void setModuleModel(const modulemodel::Model &model) { m_moduleModel = model; }

    // The module's answer to "~|" when it entered programming mode ("Qzv_GSM4_128"):
    // the register tells sites apart by it. Empty until a module has answered.
    const QString &moduleIdentification() const { return m_moduleIdentification; }
    void setModuleIdentification(const QString &text) { m_moduleIdentification = text; }
    // The memory size the module reports for the model the form is set to.
    int moduleMemory() const { return m_moduleModel.reduced ? m_moduleModel.entries - 1 : m_moduleModel.entries; }

    char downloadSeparator() const { return m_downloadSeparator; }
    char ackChar() const { return m_ackChar; }
    // The record image that the last download or verify built from the form.
    const QString &configImage() const { return m_configImage; }
    void setConfigImage(const QString &image) { m_configImage = image; }

    const QString &fileName() const { return m_fileName; }
    const QString &filePath() const { return m_filePath; }
    void setFileName(const QString &name) { m_fileName = name; }
    void setFilePath(const QString &path) { m_filePath = path; }

    // The default configuration's two lines past the configuration proper.
    const QString &infoLine1() const { return m_infoLine1; }
    const QString &infoLine2() const { return m_infoLine2; }
    void setInfoLine1(const QString &line) { m_infoLine1 = line; }
    void setInfoLine2(const QString &line) { m_infoLine2 = line; }

    // The module picture's file name in the working directory.
    const QString &pictureFile() const { return m_pictureFile; }
    void setPictureFile(const QString &file) { m_pictureFile = file; }

signals:
    void portChanged();
    void programModeChanged(bool programMode);

private:
    QString m_portName = QStringLiteral("COM1");
    qint32 m_baudRate = 1200;
    bool m_programMode = false;
    char m_downloadSeparator;
    char m_ackChar;
    modulemodel::Model m_moduleModel = modulemodel::modelFor(32);
    QString m_moduleIdentification;
    QString m_configImage;
    QString m_fileName;
    QString m_filePath;
    QString m_infoLine1;
    QString m_infoLine2;
    QString m_pictureFile;
};
