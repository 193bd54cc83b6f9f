#pragma once
// Progress for a person watching: "\r<what> frame N of M" on stderr every hundred frames, only
// when stderr is a terminal and the work is `large`, never into logs or pipes (an empty
// function otherwise).
#include <functional>

std::function<void(int done, int total)> terminalProgress(const char* what, bool large);
