// The text of the program's command line after the program name, as the
// framework hands it to the application.
#pragma once

#include <string>

// Returns the command-line text after the program name. POSIX: the
// arguments joined by single blanks (so, as on Windows, a blank inside an
// argument separates tokens). Windows: the process's own command line with
// the program name and the blanks after it removed.
std::u16string CommandLineTail(int argc, char** argv);
