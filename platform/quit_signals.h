// Turning the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP) into something an
// event loop can watch: a handler may do almost nothing safely, so it only writes a byte to a
// socket, and the loop quits when that socket becomes readable.
//
//   if (int fd = watchQuitSignals(); fd >= 0)
//       connect(new QSocketNotifier(fd, QSocketNotifier::Read, &app), ..., &QApplication::quit);
#pragma once

namespace lopewell {

// Installs the handlers once and answers the descriptor that becomes readable when one of the
// signals arrives, or -1 when the socket cannot be made (the signals then keep their defaults).
int watchQuitSignals();

}  // namespace lopewell
