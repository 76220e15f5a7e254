// The names of the volumes of a set: "name.partN.rar" (and "name.001"), and the old
// "name.rar", "name.r00", "name.r01" scheme.
#pragma once

#include <string>

namespace unrar {

// The name of the volume after path. newNumbering: the number inside the name
// ("part1" -> "part2", "001" -> "002"); otherwise the extension counts on
// (".rar" -> ".r00" -> ".r01", ".r99" -> ".s00").
std::string next_volume_name(const std::string& path, bool newNumbering);

// The first volume's name for a later one: the number set to 1 in its width
// ("part03" -> "part01"), or the extension ".rar" for the old scheme.
std::string first_volume_name(const std::string& path, bool newNumbering);

}  // namespace unrar
