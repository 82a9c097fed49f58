#pragma once

// The application object kordavo-cli runs in: a plain QCoreApplication, so
// every command works without a display; for `sheet` a QGuiApplication on
// Qt's offscreen platform, whose fonts draw the PDF with no display either.

#include <QtCore/QCoreApplication>

#include <memory>

namespace cli {

std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv);

} // namespace cli
