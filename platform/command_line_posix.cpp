#include "platform/command_line.h"

#include "platform/text.h"

std::u16string CommandLineTail(int argc, char** argv) {
    std::u16string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += u' ';
        tail += Utf8ToUtf16(argv[i]);
    }
    return tail;
}
