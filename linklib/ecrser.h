#pragma once
// The command stream over a serial line, driven through PComm.dll, and the
// list of present COM ports.

#include <cstddef>

// Port numbers the list can hold: up to three digits each, so ten of them,
// nine commas and the NUL fit the caller's 40 bytes.
constexpr int kEcrMaxPorts = 10;
constexpr int kEcrMaxPortNumber = 999;
constexpr std::size_t kEcrPortListSize = 40;

// Takes the port number out of a device's friendly name ("... (COM12)",
// "(COM7 )"): the text between "(COM" and the next ")"; 0 for Bluetooth
// links, names without it and numbers outside 1..999.
int ecr_port_from_name(const char* friendlyName);

// Appends `port` to the list text ("%d" first, then ",%d") when it still
// fits within `size` bytes; false (text unchanged) when it does not.
bool ecr_port_list_add(char* text, std::size_t size, int port);

// The present COM ports in enumeration order, at most `max`; -1 when
// SetupAPI failed.
int ecr_enum_com_ports(int* ports, int max);
