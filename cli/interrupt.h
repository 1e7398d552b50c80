// kelvo-render stopped from outside: SIGINT, SIGTERM or SIGHUP (the terminal
// closed) on POSIX systems,
// Ctrl-C, Ctrl-Break or the console closing on Windows. The temporary file
// being written (replace_file.h) is removed, so the old output stays as it was
// and nothing is left beside it; a note says the run was interrupted; the
// program ends at once with the conventional status: 128 + the signal's number
// on POSIX systems (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP), STATUS_CONTROL_C_EXIT
// (0xC000013A, what Windows reports for a console program ended by Ctrl-C) on
// Windows. SIGKILL cannot be caught: it can leave a temporary file, never a
// damaged output.
#pragma once

#include <string>

namespace kelvo::cli {

// Installs the handlers for the rest of the process (kelvo-render's main).
void InstallInterruptHandlers();

// The note written to the standard error when interrupted, a line such as the
// batch's summary so far; replaces the one before. Called from the main
// thread; without handlers installed it only stores the text.
void SetInterruptNote(const std::string& text);

// The same with two notes: `untilWritten` while the file being written has
// not replaced its target, `onceWritten` from the moment it has. The rename
// and the switch between them are one step for the handler: it never says a
// file was left as it was once it has been replaced.
void SetInterruptNotes(const std::string& untilWritten, const std::string& onceWritten);

}  // namespace kelvo::cli
