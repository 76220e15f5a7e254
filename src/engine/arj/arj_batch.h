// The lines of "Tessaly.bat" that run the ARJ utility. Every path is double-quoted,
// so blanks, ";", "$" and the like reach the utility inside one argument.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr const char* kArjBatchName = "Tessaly.bat";
inline constexpr const char* kArjListingName = "arjtmp.tmp";

// A path as one quoted argument of a batch line, or nothing when the path cannot be
// quoted (it holds a double quote or a line break). A relative path that begins with
// "-" is written as "./-...", so that the utility never reads it as a switch.
std::optional<std::string> BatchPath(const std::string& path);

// arjLocation x -v -jyc [-y ]["-gpassword" ]archive destination/ ; the password switch only
// when password is not empty, the destination left out when it is empty (the utility
// then extracts into the working folder). Nothing when a path or the password cannot
// be quoted.
std::optional<std::string> ArjExtractLine(const std::string& arjLocation,
                                          const std::string& arjOptions, const std::string& archive,
                                          const std::string& destination,
                                          const std::string& password);
// arjLocation v -v -y archive>listingFile, or nothing when a path cannot be quoted. The
// verbose listing names each entry with its folders; -v goes on through the following
// volumes of a set and -y lets it do so where nobody could answer its question.
std::optional<std::string> ArjListLine(const std::string& arjLocation, const std::string& archive,
                                       const std::string& listingFile);

// "@echo off" and the lines, each ended by CR LF.
std::string BatchText(const std::vector<std::string>& lines);

}  // namespace tessaly
