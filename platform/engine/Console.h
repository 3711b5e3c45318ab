#pragma once
// The engine's output: progress lines on standard output, each flushed at once so that the
// program reading them shows them while the engine works. An error is a line holding BEL.
#include <QString>

namespace skyloom {

void printLine(const QString &text);
void printError(const QString &text);        // "\a" + "Error: " + text
void printRaw(const QByteArray &bytes);      // verbatim, flushed
void printPercent(int done, int total);      // "nn%" when the percentage changed

} // namespace skyloom
