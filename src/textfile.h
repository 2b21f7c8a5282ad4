#pragma once

#include <QByteArray>
#include <QString>

// Writes a file the user asked for, whole or not at all: an existing file
// keeps its old contents when the new ones cannot all be written. Takes a
// path or a file: URL (as a file dialog gives it). Returns an empty string
// when the file is written, else the file and the reason, for a message.
QString writeTextFile(const QString &pathOrUrl, const QByteArray &bytes);
