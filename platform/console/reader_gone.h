// The reader of a stream of this program's having gone: the station that started this run has
// ended (killed, its terminal closed, its session dropped), or a pipe's reading end was closed.
// Nobody then learns how the command goes on, so it stops as on Ctrl+C; a write meanwhile must
// fail rather than end the program in the middle of a transfer.
#pragma once

#include <cstdio>

namespace kr55le::console {

// From now on a write whose reader has gone fails (EPIPE) instead of ending the program (SIGPIPE).
// Windows ends no program for that.
void KeepWritesFromEndingProgram();

// Whether `stream` has lost its reader: on Linux, a pipe whose reading end is closed or a
// terminal that hung up; on Windows, which tells that only to a write, a write to it that failed.
bool ReaderGone(std::FILE* stream);

}  // namespace kr55le::console
