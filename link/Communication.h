#pragma once
// The routines through which the program talks to the instrument. They all
// use MainForm->ComPort and never fail to their callers: an exchange that
// cannot be made yields an empty text or 0.
//
// Framing: a command goes out as text + CR LF, a query as header + "?" +
// CR LF (also when the header holds a "?" already: "*CFG? 0" is sent as
// "*CFG? 0?"). Every exchange starts with a 30 ms pause and a purge of the
// port; replies are one line ending in CR, handed back without trailing
// blanks and control characters.
#include <QColor>
#include <QString>
#include <cstdint>

// The last command or query written (a query with its "?").
extern QString LastCommand;

QString QueryText(const QString &header);
int32_t QueryInteger(const QString &header);
double QueryFloat(const QString &header);
int64_t QueryInt64(const QString &header);

// Sends a command, echoes it (black) and its reply (green) in the terminal.
// Nothing is sent while MainForm->CommandsDisabled is set.
QString SendCommand(const QString &command);
QString ReadReply();
QString ReadAndShowReply();

// The reply did not come in time: asks "Communications lost. Restart?".
void HandleCommTimeout();

// Scans every listed port at every scan rate for an instrument of a known
// model. True when found; ComPort is then open on that port and rate.
bool FindInstrument();
// What the last FindInstrument could not search (ports refused or held by
// another program), as the detailed text of its failure box; empty if none.
QString ScanRefusalDetail();

// "hh:nn:ss.zzz" of now, as used by the terminal and the log.
QString TimeStampNow();

// Appends one line in `color` to the terminal ResponseList (plain text).
void AppendTerminalLine(const QString &text, const QColor &color);
