// pprtool's one way to standard output and standard error: printf-formatted
// UTF-8 text, handed to the platform's writer (platform/console.h), so that
// a Windows console shows its characters and a redirection gets UTF-8.
#pragma once

// Prints printf-formatted UTF-8 text on standard output.
[[gnu::format(printf, 1, 2)]] void Print(const char* format, ...);

// Prints printf-formatted UTF-8 text on standard error.
[[gnu::format(printf, 1, 2)]] void PrintError(const char* format, ...);
