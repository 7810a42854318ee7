#pragma once
// The control library's start and stop, run by its entry: the window
// classes in order, GDI+ while the library is loaded, and the cursors it
// destroys when it goes.

#include <windows.h>

using CorvexClassRegistration = bool (*)(HINSTANCE module);

// Registers the classes in order and starts GDI+. Safe under the loader
// lock: GDI+ itself is started by a thread of its own once the lock is
// free (or sooner by CorvexGdiplusReady). False when a class failed.
bool CorvexLibraryStart(HINSTANCE module, const CorvexClassRegistration* registrations, int count);

// Destroys the kept cursors and stops GDI+ when the library started it.
// Safe under the loader lock: the shutdown runs on a thread of its own.
void CorvexLibraryStop();

// Completes a start of GDI+ still pending; every GDI+ user of the library
// calls it first (never under the loader lock). True when GDI+ runs.
bool CorvexGdiplusReady();

// The library destroys this cursor at stop (at most two are kept).
bool CorvexKeepCursor(HCURSOR cursor);
