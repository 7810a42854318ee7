#pragma once
// The connection test behind the settings window's "ping" button.

// Pings the address typed (saved or not) with the wait form up and shows
// the outcome; returns the message box's answer.
int TestConnection(const char* address);
