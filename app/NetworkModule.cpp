// The module that holds the socket over Qt's network library; the program
// loads it at its first connection (LoadedSocket).
#include <QtGlobal>

#include "QtTocSocket.h"

extern "C" Q_DECL_EXPORT TocSocket* KlaxoNewSocket() { return new QtTocSocket(); }
