#pragma once
// Progress for a person watching: "\r<what> frame N of M (P %, about T left)" on stderr, a few
// times a second, only when stderr is a terminal and the work is `large`, never into logs or
// pipes (an empty function otherwise). `detail`, when given, adds a word on the frame (the file
// it went to).
#include <QString>
#include <functional>

std::function<void(int done, int total)> terminalProgress(const char* what, bool large,
                                                          std::function<QString(int done)> detail = {});

// One line of it, without the carriage return: the share done and, once a second of work tells
// the pace, the time left at that pace.
QString progressLine(const char* what, int done, int total, double elapsedSeconds);
