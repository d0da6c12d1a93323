#pragma once
// Setting and removing environment variables in tests on every platform
// (the Windows C runtime has no setenv/unsetenv).
#include <cstdlib>

namespace plx71::test {

inline void setEnv(const char* name, const char* value)
{
#ifdef _WIN32
    ::_putenv_s(name, value); // an empty value removes the variable there
#else
    ::setenv(name, value, 1);
#endif
}

inline void unsetEnv(const char* name)
{
#ifdef _WIN32
    ::_putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
}

} // namespace plx71::test
