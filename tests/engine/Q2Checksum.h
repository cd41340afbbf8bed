#pragma once
#include <QByteArrayView>
#include <QtGlobal>

namespace velstrom::test {

// The byte a server checks a move against: over the move's bytes after the checksum byte, keyed by the
// sequence number of the packet that carries it.
quint8 moveChecksum(QByteArrayView move, quint32 sequence);

} // namespace velstrom::test
