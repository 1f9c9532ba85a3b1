#include <stdlib.h>

#include "platform/text.h"
#include "support/scoped_environment.h"

const bool kEmptyEnvironmentValueKept = false;

// The C runtime's copy of the environment, which getenv and _wgetenv read,
// set through the wide call so that UTF-8 text arrives as written; an empty
// value removes the variable.
void PutEnvironmentValue(const std::string& name, const char* value) {
    const std::u16string wideName = Utf8ToUtf16(name);
    const std::u16string wideValue = Utf8ToUtf16(value ? value : "");
    _wputenv_s(reinterpret_cast<const wchar_t*>(wideName.c_str()), reinterpret_cast<const wchar_t*>(wideValue.c_str()));
}
