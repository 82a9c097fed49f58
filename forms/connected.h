#pragma once

#include <QtCore/QDebug>
#include <QtCore/QMetaObject>

// A signal connection that did not come about is a fault of the program: it
// is said in Qt's own words for one ("QObject::connect"), on which the tests
// fail, and the command goes on as Qt would have let it.
inline QMetaObject::Connection connected(QMetaObject::Connection connection, const char *what)
{
    if (!connection)
        qWarning("QObject::connect: %s did not connect", what);
    return connection;
}
