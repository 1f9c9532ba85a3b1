#include "platform/process_lock.h"

std::u16string LockNameToken(std::u16string_view name) {
    std::u16string token(name);
    for (char16_t& c : token) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                          c == u'-' || c == u'_' || c == u'.';
        if (!keep) c = u'_';
    }
    return token;
}
