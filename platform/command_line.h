// The program's command line: the text after the program name, as the
// framework hands it to the application, and the arguments one by one, as a
// command-line tool reads them.
#pragma once

#include <string>
#include <vector>

// Returns the command-line text after the program name. POSIX: the
// arguments joined by single blanks, each quoted as the Windows C runtime
// would hand it on, so the program reads the text as on Windows: an argument
// holding a blank or a tab comes in double quotes, which are no quoting to
// the program but part of its tokens. Windows: the process's own command
// line with the program name and the blanks after it removed.
std::u16string CommandLineTail(int argc, char** argv);

// Returns the program's arguments, the program name first, as UTF-8.
// POSIX: argv as it is. Windows: the process's own UTF-16 command line split
// as the C runtime splits it (CommandLineToArgvW), so that a name with
// characters of any code page arrives whole; argc and argv serve only when
// there is no memory to split it.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
