// The power actions and the shutdown privilege. Each action is one system call
// with fixed arguments; results are not examined.
#pragma once
#include "countdown/countdown_method.h"

void EnableShutdownPrivilege();

void PowerOff();
void ForcedPowerOff();
void LogOff();
void Restart();
void Hibernate();
void Suspend();

// Carries out the action a countdown ended with; any other value does nothing.
void PerformCountdownAction(CountdownMethod method);
