#include "volume_names.h"

#include <cctype>

namespace unrar {
namespace {

bool is_digit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

size_t name_start(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// Index of the extension's dot within the file-name part, or npos.
size_t extension_dot(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < name_start(path)) return std::string::npos;
  return dot;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A missing, empty, "exe" or "sfx" extension becomes "rar": self-extracting first
// volumes are followed by ordinary ones.
std::string normalised(const std::string& path) {
  const size_t dot = extension_dot(path);
  if (dot == std::string::npos) return path + ".rar";
  const std::string extension = lower(path.substr(dot + 1));
  if (extension.empty() || extension == "exe" || extension == "sfx") {
    return path.substr(0, dot + 1) + "rar";
  }
  return path;
}

// The digit run that numbers a volume: the last one in the file name, or an earlier
// one when it lies between a dot and the last run ("name.part1of5.rar" -> 1).
bool find_number(const std::string& name, size_t& begin, size_t& end) {
  const size_t start = name_start(name);
  size_t pos = name.size();
  while (pos > start && !is_digit(name[pos - 1])) --pos;
  if (pos == start) return false;
  end = pos;
  while (pos > start && is_digit(name[pos - 1])) --pos;
  begin = pos;
  size_t scan = begin;
  while (scan > start && name[scan - 1] != '.') {
    if (is_digit(name[scan - 1])) {
      size_t runEnd = scan;
      while (scan > start && is_digit(name[scan - 1])) --scan;
      if (name.find('.', start) < scan) {
        begin = scan;
        end = runEnd;
      }
      return true;
    }
    --scan;
  }
  return true;
}

std::string increment_digits(std::string name, size_t begin, size_t end) {
  size_t pos = end;
  while (pos > begin) {
    --pos;
    if (name[pos] != '9') {
      ++name[pos];
      return name;
    }
    name[pos] = '0';
  }
  return name.insert(begin, "1");
}

std::string next_old_scheme(std::string name) {
  size_t dot = extension_dot(name);
  if (name.size() - dot - 1 < 3) {
    name = name.substr(0, dot + 1) + "rar";
    dot = extension_dot(name);
  }
  const size_t ext = dot + 1;
  if (!is_digit(name[ext + 1]) || !is_digit(name[ext + 2])) {
    return name.substr(0, ext) + "r00";
  }
  size_t pos = name.size();
  while (pos > ext) {
    --pos;
    char& c = name[pos];
    if (c == '9') {
      c = '0';
      continue;
    }
    if (is_digit(c)) {
      ++c;
      return name;
    }
    c = c == 'z' ? 'a' : c == 'Z' ? 'A' : static_cast<char>(c + 1);
    return name;
  }
  name[ext] = 'a';
  return name;
}

}  // namespace

std::string next_volume_name(const std::string& path, bool newNumbering) {
  const std::string name = normalised(path);
  size_t begin = 0;
  size_t end = 0;
  if (newNumbering && find_number(name, begin, end)) return increment_digits(name, begin, end);
  return next_old_scheme(name);
}

std::string first_volume_name(const std::string& path, bool newNumbering) {
  const std::string name = normalised(path);
  size_t begin = 0;
  size_t end = 0;
  if (newNumbering && find_number(name, begin, end)) {
    return name.substr(0, begin) + std::string(end - begin - 1, '0') + "1" + name.substr(end);
  }
  return name.substr(0, extension_dot(name) + 1) + "rar";
}

}  // namespace unrar
