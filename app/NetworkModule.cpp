// The module that holds the socket over Qt's network library; the program
// loads it at its first connection (LoadedSocket), and makes a socket only
// after the module's interface matched its own.
#include <QtGlobal>

#include "QtTocSocket.h"

extern "C" Q_DECL_EXPORT const char* KlaxoNetworkInterface() { return KLAXO_MODULE_INTERFACE; }

extern "C" Q_DECL_EXPORT TocSocket* KlaxoNewSocket() { return new QtTocSocket(); }
