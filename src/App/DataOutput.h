#pragma once
// Where the command line's data goes: eval's matrices, types, check's report, the name of an
// edit. At start-up the process keeps its standard output for this stream alone and points file
// descriptor 1 at stderr, so that anything else printed there (the plug-ins' one-line messages
// through printf) shows on stderr and never lands in what a pipeline reads.
#include <cstdio>

namespace DataOutput {
// Takes standard output for the data; call once at start-up, before plug-ins are loaded.
void claimStandardOutput();
// The data stream (stdout itself until claimed, as in tests that drive commands in-process).
std::FILE* stream();
// Its file descriptor, for writers that bypass stdio.
int descriptor();
// Writes out what the stream holds; a CliError saying why when it cannot (a full disk, a
// closed pipe), since what the command printed did not all arrive.
void finish();
} // namespace DataOutput
