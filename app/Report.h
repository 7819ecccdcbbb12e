// Says what went wrong on standard error, for a watch that nobody looks at.
#pragma once

#include <QString>
#include <cstdio>

inline void Report(const QString& message) { std::fprintf(stderr, "klaxo: %s\n", qPrintable(message)); }
