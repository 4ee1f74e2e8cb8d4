#pragma once
// The program without its windows: export a diary's readings to a CSV file,
// import one, print a report to a PDF file, list the diaries. Runs without a
// display; errors go to standard error in one line with a non-zero exit
// status, and only "import" changes a diary.
//
//   levelbook export NAME --from DATE --to DATE [-o FILE]
//   levelbook import NAME FILE [--dry-run]
//   levelbook report NAME --from DATE --to DATE [--summary-only] -o FILE.pdf
//   levelbook list
//   levelbook --help
// Each takes --data-folder DIR in place of the program's data folder.

// Whether the arguments ask for the command line rather than the windows: a
// first argument that is a word (a command, known or not), --help or
// --data-folder.
bool isCommandLine(int argc, char **argv);

// Runs the command the arguments name, making the application object it
// needs (no window, no display), and returns the exit status.
int runCommandLine(int argc, char **argv);
