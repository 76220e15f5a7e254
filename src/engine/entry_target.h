// Where an archive library writes an entry, worked out the way the libraries do it,
// so that what a backend tests, asks about or hands over is that very path.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

struct EntryTarget {
  std::string path;       // below the destination
  std::string shownName;  // the stored name as cleaned for the disk, for messages
};

// destination: "" for the current folder, else a folder ending in "/". Nothing when
// no name is left of storedName, the name climbs out with "..", or a link on the way
// leads outside the destination: the libraries write nothing there either.
std::optional<EntryTarget> ResolveEntryTarget(const std::string& destination,
                                              const std::string& storedName);

// "./" and the like: a folder entry that names the destination itself.
bool NamesTheDestination(const std::string& storedName);

// The stored name as messages show it when ResolveEntryTarget gives nothing: cleaned
// the same way where anything is left of it, never with control characters.
std::string ShownEntryName(const std::string& storedName);

// What the user is told of an entry that was not extracted because its path leads
// outside the destination.
std::string OutsideDestinationText(const std::string& shownName);
// And of a link that was not made because its target lies outside.
std::string LinkOutsideDestinationText(const std::string& shownName);

// The destination box's text as ResolveEntryTarget takes it.
std::string DestinationFolder(const std::string& text);

// After an entry could not be written: the destination ("" for the current folder)
// takes nothing more either (a read-only folder or file system), so the archive stops
// instead of failing once for every later entry.
bool DestinationRefusesWrites(const std::string& destination);

// Something that is not a folder is at path (a file or a link, hidden or not): an
// entry written there would replace it.
bool FileWouldBeReplaced(const std::string& path);

}  // namespace tessaly
