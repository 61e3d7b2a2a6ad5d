// The timer: milliseconds from an arbitrary start.
#pragma once

int TimerInit(void);
int TimerGetTime(void);
