#include "cli/output.h"

#include "cli/clitext.h"
#include "document/configfile.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <cerrno>

namespace cli {

ProgressBar::ProgressBar(Streams &streams, const QString &label, int total)
    : streams(streams), label(label), total(std::max(total, 1))
{
    timer.start();
}

void ProgressBar::set(int value)
{
    if (!streams.errIsTerminal || timer.elapsed() < 1000)
        return;
    const int percent = std::clamp(value * 100 / total, 0, 100);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    streams.err << '\r' << label << " [" << QString(filled, QLatin1Char('#'))
                << QString(width - filled, QLatin1Char('.')) << "] " << percent << " %";
    streams.err.flush();
    shown = true;
}

void ProgressBar::finish()
{
    if (shown)
        streams.err << '\n';
    streams.err.flush();
    shown = false;
}

moduleprotocol::ReadProgress readProgress(ProgressBar &bar)
{
    return [&bar, value = 0](int step) mutable {
        value += step + (step == 0 ? 1 : 0);
        bar.set(value);
        return true;
    };
}

QString fileHash(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

int refuseUnusableLog(const Options &o, Streams &streams)
{
    if (o.log.isEmpty())
        return kSuccess;
    QFile log(o.log);
    QString error;
    if (configfile::openForAppending(log, &error))
        return kSuccess;
    streams.err << Text::tr("A naplófájl nem írható: %1 (%2). A modulhoz nem nyúltam.")
                       .arg(o.log, error)
                << '\n';
    return kUsage;
}

int appendLog(const Options &o, const QString &port, const Outcome &outcome, const QString &file,
              const QString &hash, Streams &streams)
{
    if (o.log.isEmpty())
        return kSuccess;
    const QStringList fields = {
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
        o.command,
        port,
        outcome.identification,
        outcome.memory >= 0 ? QString::number(outcome.memory) : QStringLiteral("-"),
        QFileInfo(file).absoluteFilePath(),
        hash.isEmpty() ? QStringLiteral("-") : hash,
        outcome.code == kSuccess ? QStringLiteral("ok") : QStringLiteral("%1 %2").arg(outcome.code).arg(outcome.message),
    };
    QString error;
    if (configfile::appendToFile(o.log, fields.join(QLatin1Char('\t')).toUtf8() + '\n', &error))
        return kSuccess;
    streams.err << Text::tr("A naplósor nem írható a(z) %1 fájlba (%2).")
                       .arg(o.log, error)
                << '\n';
    return kBadFile;
}

int checkedOutput(int code, Streams &streams)
{
    errno = 0;
    streams.out.flush();
    auto *device = qobject_cast<QFileDevice *>(streams.out.device());
    const bool flushed = !device || device->flush();
    const int error = errno;
    if (streams.out.status() == QTextStream::Ok && flushed && (!device || device->error() == QFileDevice::NoError))
        return code;
    const QString other = device && !device->errorString().isEmpty() ? device->errorString() : Text::tr("írási hiba");
    streams.err << Text::tr("A kimenet nem írható (%1).")
                       .arg(configfile::errorText(error, other))
                << '\n';
    streams.err.flush();
    return std::max(code, int(kBadFile));
}

QString settlingNotice(const QString &port)
{
    return Text::tr("%1: a modul még küldi a rekordjait; megvárom, amíg elhallgat, utána áll vissza normál üzemmódba")
        .arg(port);
}

void printProblems(const QList<filecheck::Problem> &problems, QTextStream &stream)
{
    for (const filecheck::Problem &p : problems)
        stream << (p.warning ? Text::tr("megjegyzés: ") : QString())
               << Text::tr("%1. sor, %2: „%3”: %4").arg(p.line).arg(p.label, visible(p.value), p.message)
               << '\n';
}

void printOutcome(const QString &port, const Outcome &outcome, Streams &streams)
{
    QTextStream &stream = outcome.code == kSuccess || outcome.code == kRefused ? streams.out : streams.err;
    stream << port << ": " << visible(outcome.message) << '\n';
    for (const QString &line : outcome.details)
        stream << "  " << visible(line) << '\n';
    stream.flush();
}

} // namespace cli
