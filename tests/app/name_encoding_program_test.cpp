// Names stored in a code page come out right in the listing and on disk, judged from
// the archive's names or given with --name-encoding: ZIP without the UTF-8 flag
// (python's zipfile), ARJ (the utility, in the C locale), LHA (written byte by byte),
// RAR 1.5-4 and ACE (our writers).
#include <gtest/gtest.h>

#include <iconv.h>

#include <filesystem>
#include <string>

#include "app/extract_program_fixture.h"
#include "support/ace_writer.h"
#include "support/files.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

// argv[1] archive, argv[2] kind, argv[3] code page, then the names.
constexpr const char* kWriter = R"(
import sys, zipfile, os, subprocess
path, kind, enc, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
raw = [n.encode(enc) for n in names]
if kind == 'zip':
    class RawName(zipfile.ZipInfo):  # zipfile flags every non-ASCII name as UTF-8
        def _encodeFilenameFlags(self): return self.stored, 0
    with zipfile.ZipFile(path, 'w') as z:
        for r in raw:
            info = RawName(r.decode('cp437')); info.stored = r; z.writestr(info, b'hello')
elif kind == 'lha':
    def crc16(d, c=0):
        for b in d:
            c ^= b
            for _ in range(8): c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
        return c
    out = b''
    for r in raw:  # level 0 headers, stored (-lh0-)
        body = (b'-lh0-' + (5).to_bytes(4, 'little') * 2 + (0x5A210000).to_bytes(4, 'little')
                + bytes([0x20, 0, len(r)]) + r + crc16(b'hello').to_bytes(2, 'little'))
        out += bytes([len(body), sum(body) & 0xFF]) + body + b'hello'
    open(path, 'wb').write(out + b'\0')
elif kind in ('tar', 'gz'):
    import io, tarfile
    with tarfile.open(path, 'w:gz' if kind == 'gz' else 'w', format=tarfile.GNU_FORMAT,
                      encoding=enc) as t:
        for n in names:
            info = tarfile.TarInfo(n); info.size = 5; t.addfile(info, io.BytesIO(b'hello'))
else:
    os.makedirs('src', exist_ok=True)
    for r in raw: open(os.path.join(b'src', r), 'wb').write(b'hello')
    subprocess.run(['arj', 'a', '-y', os.path.abspath(path)] + raw, cwd='src', check=True,
                   env=dict(os.environ, LANG='C'), stdout=subprocess.DEVNULL)
)";

std::string Encoded(std::string name, const std::string& encoding) {
  const iconv_t cd = iconv_open(encoding.c_str(), "UTF-8");
  char buffer[256];
  char *in = name.data(), *at = buffer;
  size_t inLeft = name.size(), outLeft = sizeof buffer;
  iconv(cd, &in, &inLeft, &at, &outLeft);
  iconv_close(cd);
  return std::string(buffer, at);
}

TEST_F(ExtractProgramTest, CodePageNamesComeOutRightListedAndOnDisk) {
  struct Case {
    const char* archive;
    const char* storedIn;
    std::string option;  // --name-encoding, or "" to judge
  };
  const Case cases[] = {
      {"ru.zip", "cp866", ""},
      {"el.zip", "cp1253", ""},
      {"jp.zip", "cp932", ""},
      {"ko.zip", "cp949", ""},
      {"ru1251.zip", "cp1251", "CP1251"},
      {"ru.arj", "cp866", ""},
      {"jp.lzh", "cp932", ""},
      {"ru.lzh", "cp866", "cp866"},
      {"ru.tar", "cp866", ""},
      {"el.tar.gz", "cp1253", ""},
      {"ru.rar", "cp866", ""},
      {"jp.rar", "cp932", ""},
      {"ru.ace", "cp866", ""},
      {"el.ace", "cp1253", "CP1253"},
  };
  const std::vector<std::string> names = {"Отчёт за март.txt", "лето.txt"};
  const std::vector<std::string> greek = {"Έγγραφα σημειώσεις.txt", "φωτογραφία.txt"};
  const std::vector<std::string> japanese = {"日本語のファイル.txt", "東京.txt"};
  const std::vector<std::string> korean = {"한국어 파일.txt", "서울.txt"};
  WriteFileText(config() / "Brindlemoor/Tessaly 3.6.conf",
                "[General]\nFirst time=0\nShow confirmation=0\n"
                "[Utility Locations]\narj=/usr/bin/arj\n");
  for (const Case& row : cases) {
    const std::string code = row.storedIn;
    const std::vector<std::string>& expected = code == "cp1253"  ? greek
                                               : code == "cp932" ? japanese
                                               : code == "cp949" ? korean
                                                                 : names;
    const std::string kind = fs::path(row.archive).extension().string().substr(1);
    const std::string path = (work() / row.archive).string();
    if (kind == "rar") {
      WriteRar(path, {{Encoded(expected[0], code), "hello"}, {Encoded(expected[1], code), "hi"}});
    } else if (kind == "ace") {
      WriteAce(path, {{Encoded(expected[0], code), "hello"}, {Encoded(expected[1], code), "hi"}});
    } else {
      ProcessRequest write{
          {"/usr/bin/python3", "-c", kWriter, row.archive, kind, code}, "", work(), {}};
      write.argv.insert(write.argv.end(), expected.begin(), expected.end());
      ASSERT_EQ(RunProcess(write).exitStatus, 0) << row.archive;
    }

    std::vector<std::string> list = {"-l", row.archive};
    std::vector<std::string> extract = {"-y", "-d", "out", row.archive};
    if (!row.option.empty()) {
      list.insert(list.begin(), "--name-encoding=" + row.option);
      extract.insert(extract.begin(), "--name-encoding=" + row.option);
    }
    const ProcessResult listed = Run(list);
    EXPECT_EQ(listed.exitStatus, 0) << row.archive << listed.err;
    ASSERT_EQ(Run(extract).exitStatus, 0) << row.archive;
    for (const std::string& name : expected) {
      EXPECT_NE(listed.out.find(name), std::string::npos) << row.archive << ": " << listed.out;
      EXPECT_TRUE(fs::exists(work() / "out" / name)) << row.archive << ": " << name;
    }
    fs::remove_all(work() / "out");
  }
  // The chosen code page holds even where another would read better.
  EXPECT_NE(Run({"--name-encoding=CP1251", "-l", "ru.zip"}).out.find("Ћвзсв"), std::string::npos);
  EXPECT_NE(Run({"--name-encoding=UTF-7", "ru.zip"}).err.find("accepted: CP437, CP850"),
            std::string::npos);
}

}  // namespace
}  // namespace tessaly::testing
