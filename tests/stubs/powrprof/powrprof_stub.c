/* A stand-in for the power-management library, put beside a copy of
 * Quietfall.exe by the menu tests (with WINEDLLOVERRIDES "powrprof=n,b").
 *
 * GetPwrCapabilities reports what QF_TEST_POWER asks for, e.g.
 * "hiber=0;s1=0;s2=0;s3=1"; unnamed fields keep the values Wine reports
 * (hibernation file, S1, S4 and S5 present). "fail=1" makes the call fail
 * without touching the record.
 *
 * SetSuspendState appends "SetSuspendState <hibernate>,<force>,<wakeup>" to
 * the file named by QF_TEST_POWER_LOG and does nothing else. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Setting(const char* settings, const char* name, int fallback) {
    size_t length = strlen(name);
    const char* p = settings;
    while (p && *p) {
        while (*p == ';' || *p == ' ')
            ++p;
        if (strncmp(p, name, length) == 0 && p[length] == '=')
            return atoi(p + length + 1);
        p = strchr(p, ';');
    }
    return fallback;
}

BOOLEAN WINAPI GetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES capabilities) {
    char settings[256] = "";
    GetEnvironmentVariableA("QF_TEST_POWER", settings, sizeof settings);
    if (capabilities == NULL || Setting(settings, "fail", 0))
        return FALSE;
    memset(capabilities, 0, sizeof *capabilities);
    capabilities->PowerButtonPresent = TRUE;
    capabilities->SleepButtonPresent = TRUE;
    capabilities->SystemS1 = (BOOLEAN)Setting(settings, "s1", 1);
    capabilities->SystemS2 = (BOOLEAN)Setting(settings, "s2", 0);
    capabilities->SystemS3 = (BOOLEAN)Setting(settings, "s3", 0);
    capabilities->SystemS4 = (BOOLEAN)Setting(settings, "s4", 1);
    capabilities->SystemS5 = (BOOLEAN)Setting(settings, "s5", 1);
    capabilities->HiberFilePresent = (BOOLEAN)Setting(settings, "hiber", 1);
    return TRUE;
}

BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled) {
    char path[MAX_PATH] = "";
    if (GetEnvironmentVariableA("QF_TEST_POWER_LOG", path, sizeof path) > 0) {
        FILE* log = fopen(path, "ab");
        if (log) {
            fprintf(log, "SetSuspendState %d,%d,%d\n", hibernate, force, wakeupEventsDisabled);
            fclose(log);
        }
    }
    return TRUE;
}
