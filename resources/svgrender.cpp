// Build tool: renders one of the program's SVG drawings into a PNG of the
// given size. The program's icons and module pictures are drawn as SVG in the
// repository and turned into PNG here, so no binary artwork is committed.
// With an .ico output and a list of sizes it writes a Windows icon holding
// the drawing at each size.

#include <QtCore/QBuffer>
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>

#include <cstdio>

namespace {

QImage render(QSvgRenderer &renderer, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

// An .ico whose images are PNG data, as Windows reads them since Vista: a
// six-byte header, a sixteen-byte entry per image, then the images.
bool writeIcon(QSvgRenderer &renderer, const QList<int> &sizes, const QString &path)
{
    QList<QByteArray> images;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (size < 1 || size > 256 || !render(renderer, size, size).save(&buffer, "PNG"))
            return false;
        images << png;
    }
    QByteArray icon;
    const auto put16 = [&icon](quint16 v) { icon.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) { put16(quint16(v & 0xFFFF)); put16(quint16(v >> 16)); };
    put16(0);
    put16(1);
    put16(quint16(sizes.size()));
    quint32 offset = 6 + 16 * quint32(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const char side = char(sizes.at(i) == 256 ? 0 : sizes.at(i));   // 0 stands for 256
        icon.append(side).append(side).append('\0').append('\0');
        put16(1);    // planes
        put16(32);   // bits per pixel
        put32(quint32(images.at(i).size()));
        put32(offset);
        offset += quint32(images.at(i).size());
    }
    for (const QByteArray &png : std::as_const(images))
        icon += png;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(icon) == icon.size() && file.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    const bool icon = argc == 4 && QByteArray(argv[2]).endsWith(".ico");
    if (argc != 5 && !icon) {
        std::fprintf(stderr, "usage: %s in.svg out.png width height\n"
                             "       %s in.svg out.ico size,size,...\n", argv[0], argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    if (icon) {
        QList<int> sizes;
        for (const QByteArray &size : QByteArray(argv[3]).split(','))
            sizes << size.toInt();
        if (!writeIcon(renderer, sizes, QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    const int width = QByteArray(argv[3]).toInt();
    const int height = QByteArray(argv[4]).toInt();
    const QImage image = render(renderer, width, height);
    // The module pictures keep their historical .dll names; the format is
    // named explicitly because it cannot be guessed from them.
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
