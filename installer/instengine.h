#pragma once
// The install engine: one installation from the InstallList, in a fixed
// order of kinds, with a step counter and progress bar on the view.

// Set once per run; the counter starts at 1 and is never reset.
extern int stepTotal;
extern int stepCounter;

// True when every action ran; false when it stopped at a failed one.
bool RunInstall();
// Shows the counter on the progress bar and its text, then counts on.
void InstallStepAdvance();
