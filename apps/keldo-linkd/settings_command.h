#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "apps/keldo-linkd/command_line.h"

namespace keldo {

// keldo-linkd's settings commands. Each returns its exit status; errors go
// to err with control characters escaped.

// --show: the eight settings of the key, one "Name=value" a line in store
// order, numbers in decimal; COMPort with the device behind it where devices
// are named by path, COMBaud with its mode; a value the key does not hold is
// marked " (default)". 1 when the stored settings cannot be read.
int ShowSettings(const std::string& key, std::FILE* out, std::FILE* err);

// --set: checks every Name=value first (2 and nothing written for a bad
// one), then gives a device path its COM number and stores the values given
// (SaveSome: all eight into a key it has to make); 1 when a write is
// refused. Shows the settings it set as --show does.
int SetSettings(const std::string& key, const std::vector<std::string>& assignments, std::FILE* out,
                std::FILE* err);

// --list-ports: the port names the configuration dialog lists, each with the
// device behind it where devices are named by path.
int ListPorts(std::FILE* out);

// Runs the command when it is one of the above; nothing for the others.
std::optional<int> RunSettingsCommand(const DaemonCommand& command, std::FILE* out, std::FILE* err);

}  // namespace keldo
