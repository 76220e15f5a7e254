// tessaly-extract --list: the entries of each archive, as the contents window lists them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly {

struct Session;

// Prints, for each archive, a line "Archive: <path>", one line per entry (name with
// "+" when encrypted, folder, unpacked size, packed size, and for ZIP the date;
// separated by tabs, in the archive's order) and the totals line. An ARJ entry's line
// is its whole stored name, date and time, unpacked size and packed size; an ARJ
// listing that ended early prints its entries without the totals line. Stops at the
// first archive that is not a ZIP, RAR, ACE or ARJ archive (the unsupported-file
// message, exit status 2) or that cannot be listed (the listing's message, exit
// status 1); 0 when every archive was listed. The ARJ probe's listing file is deleted.
int ListArchives(Session& session, const std::vector<std::string>& archives, std::ostream& out);

}  // namespace tessaly
