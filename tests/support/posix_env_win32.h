// Windows test builds only (included before every test source): setenv and
// unsetenv, which the tests use to choose LANG, on the C library's
// _putenv_s.
#pragma once

#ifdef _WIN32
#include <cstdlib>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && std::getenv(name) != nullptr) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name)
{
    return _putenv_s(name, "") == 0 ? 0 : -1;
}
#endif
