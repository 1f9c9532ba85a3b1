// Sets an environment variable for the life of a test and puts back what was
// there before (set or unset).
#pragma once

#include <optional>
#include <string>

class ScopedEnvironment {
public:
    // Sets `name` to `value`; a null value unsets it.
    ScopedEnvironment(std::string name, const char* value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Sets `name` to `value` in the process's environment; null unsets it
// (one definition a platform).
void PutEnvironmentValue(const std::string& name, const char* value);

// Whether a test can set a variable to the empty text: on POSIX it can;
// Windows's C runtime (_wputenv_s) removes the variable instead.
extern const bool kEmptyEnvironmentValueKept;
