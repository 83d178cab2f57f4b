#pragma once

#include <QTest>

#include <clocale>
#include <cstring>

// The test runs under a decimal-comma locale, as a German desktop sets it for the whole process
// once the application object exists (CTest sets LC_ALL, see tremvue_add_test COMMA_LOCALE).
// Without that locale the test proves nothing, so it fails rather than skips.
inline void RequireCommaLocale()
{
    const std::lconv* conv = std::localeconv();
    QVERIFY2(conv && std::strcmp(conv->decimal_point, ",") == 0,
             "no decimal-comma locale: scripts/test makes de_DE.UTF-8 with localedef");
}
