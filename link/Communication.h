#pragma once
// The routines through which the program talks to the instrument: one-line
// forwards to the current TInstrumentLink (see link/InstrumentLink.h for the
// framing). Without a link they make no exchange and yield an empty text or 0.
#include <QString>
#include <cstdint>

QString QueryText(const QString &header);
int32_t QueryInteger(const QString &header);
double QueryFloat(const QString &header);
int64_t QueryInt64(const QString &header);

// Sends a command, echoes it (black) and its reply (green) in the terminal.
// Nothing is sent while commands are disabled.
QString SendCommand(const QString &command);
QString ReadReply();
QString ReadAndShowReply();

// The reply did not come in time: asks "Communications lost. Restart?".
void HandleCommTimeout();

// Scans every listed port at every scan rate for an instrument of a known
// model. True when found; the port is then open on that port and rate.
bool FindInstrument();
// What the last FindInstrument could not search (ports refused or held by
// another program), as the detailed text of its failure box; empty if none.
QString ScanRefusalDetail();

// "hh:nn:ss.zzz" of now, as used by the terminal and the log.
QString TimeStampNow();
