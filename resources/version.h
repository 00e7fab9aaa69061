// The one place where the program's version is written.
#pragma once

#define QF_VERSION_MAJOR 1
#define QF_VERSION_MINOR 1
#define QF_VERSION_PATCH 0
#define QF_VERSION_BUILD 0

#define QF_STRINGIZE2(x) #x
#define QF_STRINGIZE(x) QF_STRINGIZE2(x)
#define QF_VERSION_STRING                                                   \
    QF_STRINGIZE(QF_VERSION_MAJOR) "." QF_STRINGIZE(QF_VERSION_MINOR) "."   \
    QF_STRINGIZE(QF_VERSION_PATCH) "." QF_STRINGIZE(QF_VERSION_BUILD)
