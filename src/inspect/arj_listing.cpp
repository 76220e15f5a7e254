#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "inspect/archive_listings.h"
#include "platform/file_icons.h"
#include "platform/time_zone.h"

namespace tessaly {

namespace {

// The probe asks the utility for its verbose listing of every volume ("v -v -y"): only
// that one names each entry with its folders. Per volume it prints a header, the column
// titles ("Rev/Host OS ...") over a rule of hyphens, then per entry a line "NNN) name",
// any comment lines, one line of properties and, for some hosts, time stamp lines; a
// closing rule, the volume's summary and, from the second volume on, the running total.
constexpr std::string_view kColumnTitles = "Rev/Host OS";
constexpr std::string_view kNextVolume = "Processing archive:";
constexpr std::string_view kMissingVolume = "Can't open ";
constexpr std::string_view kRuleStart = "------------";

struct Properties {
  uint64_t original = 0;
  uint64_t compressed = 0;
  std::string ratio;
  std::string dateTime;
  char volume = ' ';  // '>' goes on in the next volume, '<' came from the last, '*' both
};

struct Summary {
  uint64_t files = 0;
  uint64_t bytes = 0;
};

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    const size_t end = std::min(text.find(' ', at), text.size());
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

std::optional<uint64_t> Number(const std::string& word) {
  uint64_t value = 0;
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, value);
  if (word.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Digits where pattern has '9', the very character elsewhere.
bool Shaped(const std::string& word, const std::string& pattern) {
  if (word.size() != pattern.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const bool digit = word[i] >= '0' && word[i] <= '9';
    if (pattern[i] == '9' ? !digit : word[i] != pattern[i]) return false;
  }
  return true;
}

bool IsRule(const std::string& line) {
  return line.starts_with(kRuleStart) && line.find_first_not_of("- ") == std::string::npos;
}

// "NNN) name": the name is everything after the first ") ", blanks included.
std::optional<std::string> EntryName(const std::string& line) {
  const size_t digits = line.find_first_not_of("0123456789");
  if (digits == 0 || digits == std::string::npos || line.compare(digits, 2, ") ") != 0) {
    return std::nullopt;
  }
  return line.substr(digits + 2);
}

// The first 12 columns hold the revision and the host, whose name may have a blank.
std::optional<Properties> EntryProperties(const std::string& line) {
  if (line.size() <= 12) return std::nullopt;
  const std::vector<std::string> words = Words(line.substr(12));
  if (words.size() < 5) return std::nullopt;
  const std::optional<uint64_t> original = Number(words[0]);
  const std::optional<uint64_t> compressed = Number(words[1]);
  const size_t point = words[2].find('.');
  if (!original || !compressed || point == 0 || point == std::string::npos ||
      !Number(words[2].substr(0, point)) || !Number(words[2].substr(point + 1)) ||
      !Shaped(words[3], "99-99-99") || !Shaped(words[4], "99:99:99")) {
    return std::nullopt;
  }
  Properties properties{*original, *compressed, words[2], words[3] + " " + words[4]};
  // The last of the "BPMGS" flags ends the line.
  if (const char last = line.back(); last == '>' || last == '<' || last == '*') {
    properties.volume = last;
  }
  return properties;
}

// "    12 files     720274     713753 0.991 " and maybe more words after.
std::optional<Summary> SummaryLine(const std::string& line) {
  const std::vector<std::string> words = Words(line);
  if (words.size() < 3 || words[1] != "files") return std::nullopt;
  const std::optional<uint64_t> files = Number(words[0]);
  const std::optional<uint64_t> bytes = Number(words[2]);
  if (!files || !bytes) return std::nullopt;
  return Summary{*files, *bytes};
}

// "YY-MM-DD HH:MM:SS", as EntryProperties checked it; ARJ's years start at 1980.
int64_t ArjTime(const std::string& text) {
  const auto field = [&](size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  const int year = field(0);
  return LocalTime(year >= 80 ? 1900 + year : 2000 + year, field(3), field(6), field(9), field(12),
                   field(15))
      .value_or(ContentsRow::kNoDate);
}

// A chapter's label ("<<<002>>>") is listed like an entry but holds no file.
bool IsChapterLabel(const std::string& name) {
  return name.size() > 6 && name.compare(0, 3, "<<<") == 0 &&
         name.compare(name.size() - 3, 3, ">>>") == 0 &&
         name.find_first_not_of("0123456789", 3) == name.size() - 3;
}

std::string Ratio(uint64_t original, uint64_t compressed) {
  if (original == 0) return "0.000";
  char text[32];
  std::snprintf(text, sizeof text, "%.3Lf",
                static_cast<long double>(compressed) / static_cast<long double>(original));
  return text;
}

class ArjListingReader {
 public:
  explicit ArjListingReader(ContentsModel& contents) : contents_(contents) {}

  void Read(const std::string& line) {
    switch (part_) {
      case Part::Outside:
        if (IsRule(line) && previous_.starts_with(kColumnTitles)) {
          part_ = Part::Names;
          summary_.reset();
        } else if (const std::optional<Summary> summary = SummaryLine(line); summary && ended_) {
          // The running total of a set follows the volume's own: the last one counts.
          summary_ = summary;
        } else {
          ended_ = false;
          // Another volume's listing begins: its summary, not this one, will be the total.
          if (line.starts_with(kNextVolume)) summary_.reset();
          if (line.starts_with(kMissingVolume)) volumeMissing_ = true;
        }
        break;
      case Part::Names:
      case Part::Extras:
        if (IsRule(line)) {
          part_ = Part::Outside;
          ended_ = true;
        } else if (std::optional<std::string> name = EntryName(line)) {
          name_ = std::move(*name);
          part_ = Part::Properties;
        }
        break;
      case Part::Properties:
        // Lines before the properties are the entry's comment, whatever they look like.
        if (const std::optional<Properties> properties = EntryProperties(line)) {
          AddEntry(*properties);
          part_ = Part::Extras;
        }
        break;
    }
    previous_ = line;
  }

  // The totals, when the listing ended with a summary and no entry waits for a volume.
  std::optional<Summary> Totals() const {
    if (part_ != Part::Outside || !summary_ || continued_ || volumeMissing_) return std::nullopt;
    return Summary{summary_->files - std::min(folded_, summary_->files), summary_->bytes};
  }

 private:
  enum class Part { Outside, Names, Properties, Extras };

  struct ContinuedEntry {
    size_t row;
    uint64_t original;
    uint64_t compressed;
  };

  void AddEntry(const Properties& properties) {
    const bool fromLastVolume = properties.volume == '<' || properties.volume == '*';
    const bool intoNextVolume = properties.volume == '>' || properties.volume == '*';
    if (fromLastVolume && continued_ && contents_.rows[continued_->row].storedName == name_) {
      // One row per entry: the parts of the volumes add up to the whole.
      ContinuedEntry& entry = *continued_;
      entry.original += properties.original;
      entry.compressed += properties.compressed;
      ContentsRow& row = contents_.rows[entry.row];
      row.subItems[1] = std::to_string(entry.original);
      row.subItems[2] = Ratio(entry.original, entry.compressed);
      row.subItems[3] = std::to_string(entry.compressed);
      ++folded_;
      if (!intoNextVolume) continued_.reset();
      return;
    }
    continued_.reset();
    if (IsChapterLabel(name_)) {
      ++folded_;
      return;
    }
    const size_t slash = name_.rfind('/');
    const std::string fileName = slash == std::string::npos ? name_ : name_.substr(slash + 1);
    ContentsRow row;
    row.text = fileName;
    row.iconKey = IconKeyFor(ListExtension(fileName));
    row.subItems = {properties.dateTime, std::to_string(properties.original), properties.ratio,
                    std::to_string(properties.compressed), ""};
    row.storedName = name_;
    row.modified = ArjTime(properties.dateTime);
    contents_.AppendRow(std::move(row));
    if (intoNextVolume) {
      continued_ =
          ContinuedEntry{contents_.rows.size() - 1, properties.original, properties.compressed};
    }
  }

  ContentsModel& contents_;
  Part part_ = Part::Outside;
  std::string previous_;
  std::string name_;
  bool ended_ = false;  // a closing rule came, then only summaries
  bool volumeMissing_ = false;
  std::optional<Summary> summary_;
  std::optional<ContinuedEntry> continued_;
  uint64_t folded_ = 0;  // entries the utility counts that have no row of their own
};

// The utility lists names as stored: one code page for all of them, as extraction reads
// them in.
void ReadNamesInCodePage(Session& session) {
  std::vector<std::string> names;
  for (const ContentsRow& row : session.contents.rows) names.push_back(row.storedName);
  session.job.namesReadIn = CodePageOfNames(names, NameEncodingToRead(session), "CP437");
  for (ContentsRow& row : session.contents.rows) {
    row.storedName = ReadStoredName(row.storedName, session.job.namesReadIn);
    row.text = ReadStoredName(row.text, session.job.namesReadIn);
  }
}

}  // namespace

ListingResult ListArjArchive(Session& session, const std::string& listingPath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  ArjListingReader reader(contents);
  std::ifstream listing(listingPath, std::ios::binary);
  std::string line;
  while (std::getline(listing, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    reader.Read(line);
  }
  const std::optional<Summary> totals = reader.Totals();
  if (!totals) {
    session.dialogs.MessageBox({kArjListingIncomplete, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
    return ListingResult::Incomplete;
  }
  contents.totals = ListingTotals(totals->files, totals->bytes);
  ReadNamesInCodePage(session);
  return ListingResult::Listed;
}

}  // namespace tessaly
