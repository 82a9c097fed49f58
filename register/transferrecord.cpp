#include "register/transferrecord.h"

#include "register/registerdatabase.h"
#include "kordavoversion.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSysInfo>
#include <QtCore/QUuid>

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace siteregister {

QString currentLogin()
{
    QString login;
#if defined(Q_OS_UNIX)
    // The account itself: USER is not always set (services, su, containers).
    if (const passwd *account = getpwuid(geteuid()))
        login = QString::fromLocal8Bit(account->pw_name);
#endif
    if (login.isEmpty())
        login = qEnvironmentVariable("USERNAME");
    if (login.isEmpty())
        login = qEnvironmentVariable("USER");
    return login;
}

TransferRecord TransferRecord::now(Command command, Result result)
{
    TransferRecord record;
    record.command = command;
    record.result = result;
    record.programVersion = QString::fromLatin1(kordavo::kVersion);
    record.login = currentLogin();
    record.host = QSysInfo::machineHostName();
    record.time = QDateTime::currentDateTimeUtc();
    record.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return record;
}

QString commandName(TransferRecord::Command command)
{
    switch (command) {
    case TransferRecord::Command::Download:
        return QStringLiteral("download");
    case TransferRecord::Command::Readout:
        return QStringLiteral("readout");
    case TransferRecord::Command::Verify:
        return QStringLiteral("verify");
    }
    return {};
}

QString resultName(TransferRecord::Result result)
{
    switch (result) {
    case TransferRecord::Result::Ok:
        return QStringLiteral("ok");
    case TransferRecord::Result::Differs:
        return QStringLiteral("differs");
    case TransferRecord::Result::Failed:
        return QStringLiteral("failed");
    case TransferRecord::Result::Interrupted:
        return QStringLiteral("interrupted");
    }
    return {};
}
// --- the queue's payload ---

QByteArray toPayload(const TransferRecord &r)
{
    QJsonObject o;
    o.insert(QStringLiteral("command"), commandName(r.command));
    o.insert(QStringLiteral("result"), resultName(r.result));
    o.insert(QStringLiteral("message"), r.message);
    o.insert(QStringLiteral("port"), r.port);
    o.insert(QStringLiteral("identification"), r.identification);
    o.insert(QStringLiteral("memory"), r.memory);
    o.insert(QStringLiteral("image"), r.image);
    o.insert(QStringLiteral("krv"), QString::fromLatin1(r.krv.toBase64()));
    o.insert(QStringLiteral("program"), r.program);
    o.insert(QStringLiteral("programVersion"), r.programVersion);
    o.insert(QStringLiteral("login"), r.login);
    o.insert(QStringLiteral("host"), r.host);
    o.insert(QStringLiteral("time"), r.time.toMSecsSinceEpoch());
    o.insert(QStringLiteral("uid"), r.uid);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<TransferRecord> fromPayload(const QByteArray &payload)
{
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    if (o.isEmpty())
        return std::nullopt;
    TransferRecord r;
    const QString command = o.value(QStringLiteral("command")).toString();
    for (auto c : {TransferRecord::Command::Download, TransferRecord::Command::Readout, TransferRecord::Command::Verify}) {
        if (commandName(c) == command)
            r.command = c;
    }
    const QString result = o.value(QStringLiteral("result")).toString();
    for (auto c : {TransferRecord::Result::Ok, TransferRecord::Result::Differs, TransferRecord::Result::Failed,
                   TransferRecord::Result::Interrupted}) {
        if (resultName(c) == result)
            r.result = c;
    }
    r.message = o.value(QStringLiteral("message")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.identification = o.value(QStringLiteral("identification")).toString();
    r.memory = o.value(QStringLiteral("memory")).toInt();
    r.image = o.value(QStringLiteral("image")).toString();
    r.krv = QByteArray::fromBase64(o.value(QStringLiteral("krv")).toString().toLatin1());
    r.program = o.value(QStringLiteral("program")).toString();
    r.programVersion = o.value(QStringLiteral("programVersion")).toString();
    r.login = o.value(QStringLiteral("login")).toString();
    r.host = o.value(QStringLiteral("host")).toString();
    r.time = QDateTime::fromMSecsSinceEpoch(o.value(QStringLiteral("time")).toInteger(), Qt::UTC);
    r.uid = o.value(QStringLiteral("uid")).toString();
    if (r.uid.isEmpty())
        return std::nullopt;
    return r;
}


} // namespace siteregister
