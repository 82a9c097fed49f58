#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtWidgets/QDialog>

#include <functional>
#include <memory>

namespace Ui {
class setcom;
}

// What the port dialog hands back: the port as shown and the speed.
struct PortSelection
{
    QString portName;
    int baudRate = 0;
};

// The port dialog: lists the ports that can be opened now, lets the user pick
// one and a speed, and can search the listed ports for a module.
class setcom : public QDialog
{
    Q_OBJECT

public:
    using PortSource = std::function<QStringList()>;

    setcom(const QString &portName, int baudRate, int probeTimeout, bool autoSearch,
           QWidget *parent = nullptr);
    ~setcom() override;

    PortSelection selectedPort() const;

    // Where the candidate port names come from; by default every port the
    // system reports. An empty function restores the default.
    static void setPortSource(PortSource source);

public slots:
    void lookupCom();
    void autoLookup();

protected:
    // Return in the port box accepts what the box shows.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::setcom> ui;
    QStringList ports;
    QString initialPort;
    QString initialBaud;
    int probeTimeout = 300;
};
