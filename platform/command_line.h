// The text of the program's command line after the program name, as the
// framework hands it to the application.
#pragma once

#include <string>

// Returns the command-line text after the program name. POSIX: the
// arguments joined by single blanks, each quoted as the Windows C runtime
// would hand it on, so the program reads the text as on Windows: an argument
// holding a blank or a tab comes in double quotes, which are no quoting to
// the program but part of its tokens. Windows: the process's own command
// line with the program name and the blanks after it removed.
std::u16string CommandLineTail(int argc, char** argv);
