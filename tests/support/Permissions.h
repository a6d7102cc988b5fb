// Cases about read-only files and folders need a user whom file permissions bind: the superuser
// writes anyway. scripts/test never runs the tests as root (started as root, it runs them as an
// unprivileged user), so the skip below is for someone running a test program as root by hand;
// under CI (CI set) it is a failure instead, so that a CI run can never pass these cases unrun.
#pragma once

#include <unistd.h>

#include <QtGlobal>
#include <QtTest>

#define IE_REQUIRE_PERMISSIONS_BIND()                                                       \
    do {                                                                                    \
        if (::geteuid() == 0) {                                                             \
            if (qEnvironmentVariableIsSet("CI"))                                            \
                QFAIL(                                                                      \
                    "running as root under CI: scripts/test must run the tests as an "      \
                    "unprivileged user");                                                   \
            QSKIP(                                                                          \
                "file permissions do not bind the superuser: run scripts/test, which runs " \
                "the tests as an unprivileged user");                                       \
        }                                                                                   \
    } while (false)
