// Generates registry exports and times the converter against iconv on them.
//
//   quillfen_bench example FILE
//       the bundled example export
//   quillfen_bench generate FILE [--sparse] [KEYS]
//       an export shaped like the registry editor's export of
//       HKEY_LOCAL_MACHINE\SOFTWARE: KEYS keys (default 236622, about 200 MiB)
//       of 300 to 1500 bytes, and the container key after 90% of them.
//       With --sparse: KEYS keys (default 250000) of about 4 KiB, each mostly
//       a 600-byte binary, and the container key near the end.
//   quillfen_bench run FILE [ROUNDS]
//       copies FILE, a UTF-16LE export as generated, as a UTF-8 export and a
//       Windows-1251 REGEDIT4 export, then times quillfen against iconv
//       decoding the same file, ROUNDS times each (default 5), and prints the
//       medians, their ratio and quillfen's peak memory against the file size;
//       then times --info and --list of FILE against its conversion.
//   quillfen_bench der [ROUNDS] [PROGRAM]
//       exports whose header.key holds a certificate of 250, 10,000, 80,000
//       and 120,000 (past 1 MB) names, or 40,000 extensions; times --list and
//       --info of each against its conversion, ROUNDS times (default 5), with
//       PROGRAM instead of the quillfen built here, to compare with another
//       build.
//   quillfen_bench to-reg DIRECTORY [MIB] [PROGRAM]
//       a container directory below DIRECTORY whose largest file holds MIB
//       MiB (default 100) written back by --to-reg; prints the time and the
//       peak memory against the largest file. PROGRAM instead of the
//       quillfen built here, to compare with another build.
//   quillfen_bench pfx-cost [ROUNDS]
//       PFX files whose key derivations take the most rounds a file may, one
//       kind of derivation each: times --info of each, ROUNDS times
//       (default 3), against --info of a PFX as the writers make it.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/der_bench.h"
#include "bench/key_bench.h"
#include "bench/measure.h"
#include "bench/pfx_cost_bench.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"

namespace {

namespace fs = std::filesystem;
using quillfen::EncodeUtf16Le;
using quillfen::TempDir;
using quillfen::bench::Measure;
using quillfen::bench::Measurement;

constexpr char16_t kEditorHeader[] = u"Windows Registry Editor Version 5.00\r\n\r\n";

// A known-answer container, so that --info and --list have a header and a
// certificate to read.
std::u16string ContainerKey() {
  std::u16string text = std::u16string(quillfen::kTestContainerHeader) + u"\r\n";
  for (const auto& [name, value] : quillfen::KnownAnswerValues("kat256.000")) {
    text += quillfen::RegeditHexValue(name, value);
  }
  return text + u"\r\n";
}

int WriteExample(const std::string& path) {
  std::ofstream(path, std::ios::binary)
      << EncodeUtf16Le(quillfen::RegeditExport(quillfen::ExampleContainerValues()), true);
  return 0;
}

// Names of the levels under SOFTWARE. None is "Keys", so no filler key can
// pass for a container key.
constexpr std::u16string_view kVendors[] = {
    u"Microsoft",  u"Adobe",   u"Mozilla", u"Google", u"Intel",    u"Kaspersky Lab",
    u"Oracle",     u"Realtek", u"Classes", u"ODBC",   u"Clients",  u"Wow6432Node",
    u"Crypto Pro", u"1C",      u"ABBYY",   u"7-Zip",  u"Policies", u"Notepad++"};
constexpr std::u16string_view kProducts[] = {
    u"Windows",      u"Windows NT",   u"Office",     u"Acrobat Reader DC", u"Firefox",
    u"Chrome",       u"Edge",         u"Update",     u"Java Runtime",      u"CSP",
    u"Cades",        u"Media Player", u"FineReader", u"Internet Explorer", u"Предприятие",
    u"Common Files", u"Shared Tools", u"DirectX",    u"Visual Studio"};
constexpr std::u16string_view kComponents[] = {
    u"CurrentVersion", u"Settings", u"Uninstall", u"Components", u"Shell Extensions",
    u"Features",       u"Profiles", u"Services",  u"Extensions", u"Capabilities",
    u"Approved",       u"Setup",    u"Explorer",  u"Run",        u"Language Resources",
    u"User Data",      u"Common",   u"Options",   u"Defaults",   u"FileAssociations"};
constexpr std::u16string_view kValueNames[] = {
    u"DisplayName",   u"DisplayVersion", u"Publisher", u"InstallLocation", u"InstallDate",
    u"Version",       u"Path",           u"Language",  u"Enabled",         u"Flags",
    u"EstimatedSize", u"NoModify",       u"HelpLink",  u"Description",     u"Data",
    u"State",         u"Options",        u"Timestamp", u"ProductID",       u"LastUsed"};
constexpr std::u16string_view kWords[] = {
    u"Microsoft", u"Corporation", u"Update",       u"for",       u"Windows",  u"Service",
    u"Pack",      u"Runtime",     u"Library",      u"Component", u"Settings", u"Default",
    u"Version",   u"Edition",     u"Professional", u"x64",       u"Setup",    u"Helper",
    u"Manager",   u"Provider",    u"Shared",       u"Files",     u"Driver",   u"Plug-in"};
constexpr std::u16string_view kRussianWords[] = {
    u"Пользователь",    u"Настройки", u"по",      u"умолчанию",  u"Служба", u"обновления",
    u"Криптопровайдер", u"Объём",     u"Ёмкость", u"документов", u"для",    u"ёлки"};

std::u16string Hex(uint32_t number, int digits) {
  std::u16string text(digits, u'0');
  for (int i = digits - 1; i >= 0; --i, number >>= 4) text[i] = u"0123456789abcdef"[number & 15];
  return text;
}

std::u16string Decimal(long number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

// Dense filler keys, one at a time, each with its empty line. The path walks
// the tree as an export does: it keeps a prefix of the previous key's path
// and descends again; its last level is new every time, so no two keys share
// a path.
class DenseKeys {
 public:
  std::u16string Next();

 private:
  // A key's size in UTF-16 units, drawn evenly: 300 to 1480 bytes, 890 on
  // average.
  static constexpr size_t kShortest = 150, kLongest = 740;
  // Past this many units a share is filled by a wrapped binary instead of a
  // string.
  static constexpr size_t kLongestString = 400;

  uint32_t Pick(uint32_t count) { return random_() % count; }
  template <size_t N>
  std::u16string_view PickFrom(const std::u16string_view (&names)[N]) {
    return names[Pick(N)];
  }
  std::u16string Header();
  std::u16string LevelName(size_t level);
  std::u16string Value(std::u16string_view name, size_t share);
  std::u16string Filling(std::u16string_view name, size_t share);
  std::u16string Words(size_t length);
  std::u16string ProgramPath();
  std::vector<uint8_t> Bytes(size_t count);
  std::u16string Guid();

  std::mt19937 random_{7};
  std::vector<std::u16string> path_;
  long serial_ = 0;
};

// The values share what the header leaves of the key's size; the last one
// fills what is left. Keys that still miss the bounds are drawn again.
std::u16string DenseKeys::Next() {
  std::u16string text;
  do {
    const size_t size = kShortest + Pick(kLongest - kShortest + 1);
    text = Header();
    const uint32_t first = Pick(std::size(kValueNames)), count = 1 + Pick(4);
    for (uint32_t i = 0; i < count; ++i) {
      const std::u16string_view name = kValueNames[(first + i) % std::size(kValueNames)];
      const size_t left = size - std::min(size, text.size() + 2);
      text += i + 1 < count ? Value(name, left / (count - i)) : Filling(name, left);
    }
    text += u"\r\n";
  } while (text.size() < kShortest || text.size() > kLongest);
  return text;
}

std::u16string DenseKeys::Header() {
  const size_t depth = 4 + Pick(3);
  const size_t keep = path_.empty() || Pick(20) == 0 ? 0 : 1 + Pick(3);
  path_.resize(std::min(keep, depth - 1));
  while (path_.size() < depth) path_.push_back(LevelName(path_.size()));
  path_.back() = Pick(5) < 3 ? Guid() : path_.back() + u" " + Decimal(++serial_);
  std::u16string text = u"[HKEY_LOCAL_MACHINE\\SOFTWARE";
  for (const auto& name : path_) (text += u'\\') += name;
  return text + u"]\r\n";
}

std::u16string DenseKeys::LevelName(size_t level) {
  if (level == 0) return std::u16string(PickFrom(kVendors));
  if (level == 1) return std::u16string(PickFrom(kProducts));
  return std::u16string(PickFrom(kComponents));
}

// A value of about `share` units, or a small one (a program's path, a
// dword, a short binary) that leaves the rest of its share to the next.
std::u16string DenseKeys::Value(std::u16string_view name, size_t share) {
  const uint32_t kind = Pick(100);
  if (kind < 40) return Filling(name, share);
  const std::u16string quoted = (std::u16string(u"\"") += name) += u"\"=";
  if (kind < 60) return quoted + u"\"" + ProgramPath() + u"\"\r\n";
  if (kind < 85) return quoted + u"dword:" + Hex(random_() >> Pick(32), 8) + u"\r\n";
  return quillfen::RegeditHexValue(std::u16string(name), Bytes(1 + Pick(16)));
}

// A string of words, or past kLongestString a binary wrapped over lines of
// about 25 bytes (3 units a byte, 5 more a line).
std::u16string DenseKeys::Filling(std::u16string_view name, size_t share) {
  const size_t overhead = name.size() + 8;
  const size_t room = share > overhead + 4 ? share - overhead : 4;
  if (share <= kLongestString) {
    return ((std::u16string(u"\"") += name) += u"\"=\"") + Words(room) + u"\"\r\n";
  }
  return quillfen::RegeditHexValue(std::u16string(name), Bytes(room * 25 / 80));
}

// English words or, now and then, Russian ones, cut to `length`.
std::u16string DenseKeys::Words(size_t length) {
  const bool russian = Pick(8) == 0;
  const auto word = [&] { return russian ? PickFrom(kRussianWords) : PickFrom(kWords); };
  std::u16string text(word());
  while (text.size() < length) (text += u' ') += word();
  text.resize(length);
  return text;
}

// With its backslashes escaped, as the registry editor writes them.
std::u16string DenseKeys::ProgramPath() {
  std::u16string path = u"C:\\\\Program Files\\\\";
  path += PickFrom(kProducts);
  path += u"\\\\";
  path += PickFrom(kWords);
  return path + u".exe";
}

std::vector<uint8_t> DenseKeys::Bytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random_());
  return bytes;
}

std::u16string DenseKeys::Guid() {
  std::u16string text = u"{";
  text += Hex(random_(), 8);
  for (int group = 0; group < 3; ++group) (text += u'-') += Hex(Pick(0x10000), 4);
  ((text += u'-') += Hex(random_(), 8)) += Hex(Pick(0x10000), 4);
  return text += u'}';
}

int GenerateDense(const std::string& path, long keys) {
  std::ofstream out(path, std::ios::binary);
  out << EncodeUtf16Le(kEditorHeader, true);
  DenseKeys filler;
  const long container_at = keys / 10 * 9;
  for (long key = 0; key < keys; ++key) {
    if (key == container_at) out << EncodeUtf16Le(ContainerKey(), false);
    out << EncodeUtf16Le(filler.Next(), false);
  }
  return out ? 0 : 1;
}

// One key per ~4 KiB, each mostly one 600-byte binary: the cost of reading
// the text outweighs the cost per key.
int GenerateSparse(const std::string& path, long keys) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937 random(7);
  const auto bytes = [&](size_t count) {
    std::vector<uint8_t> value(count);
    for (auto& byte : value) byte = static_cast<uint8_t>(random());
    return value;
  };
  out << EncodeUtf16Le(kEditorHeader, true);
  const long container_at = keys - keys / 100;
  for (long key = 0; key < keys; ++key) {
    if (key == container_at) out << EncodeUtf16Le(ContainerKey(), false);
    const std::u16string id = Decimal(key);
    std::u16string text = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product\\Component" + id +
                          u"]\r\n\"Name\"=\"Component number " + id +
                          u"\"\r\n\"Enabled\"=dword:00000001\r\n";
    text += quillfen::RegeditHexValue(u"Blob", bytes(600));
    out << EncodeUtf16Le(text + u"\r\n", false);
  }
  return out ? 0 : 1;
}

int Generate(const std::vector<std::string>& args) {
  bool sparse = false;
  long keys = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--sparse") {
      sparse = true;
      continue;
    }
    char* end;
    keys = std::strtol(args[i].c_str(), &end, 10);
    if (keys <= 0 || *end != 0) {
      std::cerr << "KEYS must be a positive number, not " << args[i] << "\n";
      return 2;
    }
  }
  if (sparse) return GenerateSparse(args[1], keys > 0 ? keys : 250000);
  return GenerateDense(args[1], keys > 0 ? keys : 236622);
}

struct Export {
  std::string name;
  fs::path file;
  std::string from, to;  // iconv's names: the file's encoding and the one it decodes to
  double memory_goal;    // quillfen's peak against the file's size
};

std::u16string DecodeUtf16Le(const char* bytes, size_t count) {
  std::u16string text(count / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = char16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
  }
  return text;
}

// Writes the text of `source` again, a piece at a time, as a UTF-8 export
// without a mark and as a REGEDIT4 export in Windows-1251.
void WriteEightBitCopies(const fs::path& source, const fs::path& utf8, const fs::path& cp1251) {
  std::ifstream in(source, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + source.string());
  std::ofstream utf8_out(utf8, std::ios::binary), cp1251_out(cp1251, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  constexpr std::u16string_view kHeader = kEditorHeader;
  bool first = true;
  while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
    std::u16string text = DecodeUtf16Le(buffer.data(), size_t(in.gcount()));
    if (first && !text.starts_with(u"\uFEFF" + std::u16string(kHeader))) {
      throw std::runtime_error(source.string() + " is not a UTF-16LE 5.00 export with a mark");
    }
    if (first) text.erase(0, 1);
    // Windows-1251 first: it refuses anything but ASCII and Cyrillic, so no
    // surrogate pair can be split between two pieces of the UTF-8 copy.
    try {
      cp1251_out << quillfen::EncodeWindows1251(
          first ? u"REGEDIT4\r\n\r\n" + text.substr(kHeader.size()) : text);
    } catch (const std::invalid_argument&) {
      throw std::runtime_error(source.string() + " holds letters beyond Windows-1251's");
    }
    utf8_out << quillfen::EncodeUtf8(text, false);
    first = false;
  }
  if (first) throw std::runtime_error(source.string() + " is empty");
  if (!utf8_out || !cp1251_out) throw std::runtime_error("cannot write the copies of the export");
}

std::vector<Export> MakeExports(const fs::path& source, const TempDir& dir) {
  const fs::path utf8 = dir / "utf8.reg", cp1251 = dir / "cp1251.reg";
  WriteEightBitCopies(source, utf8, cp1251);
  return {{"UTF-16LE, 5.00", source, "UTF-16LE", "UTF-8", 1.3},
          {"UTF-8, 5.00", utf8, "UTF-8", "UTF-16LE", 2.3},
          {"Windows-1251, REGEDIT4", cp1251, "CP1251", "UTF-16LE", 2.3}};
}

struct Row {
  Export source;
  double mib = 0;
  double quillfen_seconds = 0, iconv_seconds = 0;
  long quillfen_peak_kib = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Converts into a fresh target; a run that exits 0 without the container's
// files would time nothing worth timing.
std::optional<Measurement> RunQuillfen(const Export& source, const fs::path& scratch) {
  const TempDir target_dir(scratch);
  const fs::path target = target_dir / "c.000";
  const Measurement m = Measure({QUILLFEN_EXE, source.file.string(), target.string()});
  if (m.status != 0) {
    std::cerr << "quillfen exited " << m.status << " on " << source.name << "\n";
    return std::nullopt;
  }
  const auto files = std::distance(fs::directory_iterator(target), fs::directory_iterator());
  if (files != 6) {
    std::cerr << "quillfen wrote " << files << " files from " << source.name << "\n";
    return std::nullopt;
  }
  return m;
}

std::optional<Measurement> RunIconv(const Export& source) {
  const Measurement m = Measure(
      {"iconv", "-f", source.from, "-t", source.to, source.file.string(), "-o", "/dev/null"});
  if (m.status != 0) {
    std::cerr << "iconv exited " << m.status << " on " << source.name << "\n";
    return std::nullopt;
  }
  return m;
}

// The two programs take turns going first, so neither always meets the
// page cache the other has just warmed.
std::optional<Row> TimeExport(const Export& source, int rounds, const fs::path& scratch) {
  Row row{source, double(fs::file_size(source.file)) / (1 << 20)};
  std::vector<double> quillfen_seconds, iconv_seconds;
  for (int round = 0; round < rounds; ++round) {
    std::optional<Measurement> iconv;
    if (round % 2 == 1 && !(iconv = RunIconv(source))) return std::nullopt;
    const std::optional<Measurement> quillfen = RunQuillfen(source, scratch);
    if (!quillfen) return std::nullopt;
    if (round % 2 == 0 && !(iconv = RunIconv(source))) return std::nullopt;
    quillfen_seconds.push_back(quillfen->seconds);
    iconv_seconds.push_back(iconv->seconds);
    row.quillfen_peak_kib = std::max(row.quillfen_peak_kib, quillfen->peak_kib);
  }
  row.quillfen_seconds = Median(quillfen_seconds);
  row.iconv_seconds = Median(iconv_seconds);
  return row;
}

void PrintTable(const std::vector<Row>& rows, int rounds) {
  std::printf("%-24s %9s %11s %8s %14s %16s\n", "export", "size MiB", "quillfen s", "iconv s",
              "quillfen/iconv", "peak RSS / size");
  for (const Row& row : rows) {
    std::printf("%-24s %9.1f %11.3f %8.3f %7.2f (0.5) %10.2f (%.1f)\n", row.source.name.c_str(),
                row.mib, row.quillfen_seconds, row.iconv_seconds,
                row.quillfen_seconds / row.iconv_seconds, row.quillfen_peak_kib / 1024.0 / row.mib,
                row.source.memory_goal);
  }
  std::printf(
      "medians of %d rounds; peak RSS is the largest of them; goals in parentheses,\n"
      "met at or below\n",
      rounds);
}

// Conversion, --info and --list of one export, taking turns going first;
// the medians, and the options' against the conversion's.
bool TimeOptions(const fs::path& path, int rounds, const fs::path& scratch) {
  const std::vector<std::vector<std::string>> calls = {{"--info", path.string()},
                                                       {"--list", path.string()}};
  std::vector<double> convert, info, list;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 3; ++turn) {
      const int which = (turn + round) % 3;
      if (which == 0) {
        const auto m = RunQuillfen({"conversion", path, "UTF-16LE", "UTF-8", 1.3}, scratch);
        if (!m) return false;
        convert.push_back(m->seconds);
        continue;
      }
      std::vector<std::string> command = {QUILLFEN_EXE};
      const auto& call = calls[size_t(which - 1)];
      command.insert(command.end(), call.begin(), call.end());
      const Measurement m = Measure(command);
      if (m.status != 0) {
        std::cerr << "quillfen " << call[0] << " exited " << m.status << "\n";
        return false;
      }
      (which == 1 ? info : list).push_back(m.seconds);
    }
  }
  const double base = Median(convert);
  std::printf("\n%-24s %11s %16s\n", "run", "quillfen s", "against convert");
  std::printf("%-24s %11.3f\n", "conversion", base);
  std::printf("%-24s %11.3f %9.2f (1.10)\n", "--info", Median(info), Median(info) / base);
  std::printf("%-24s %11.3f %9.2f (1.10)\n", "--list", Median(list), Median(list) / base);
  return true;
}

int Run(const fs::path& path, int rounds) {
  const TempDir scratch(fs::absolute(path).parent_path());
  std::vector<Row> rows;
  try {
    for (const Export& source : MakeExports(path, scratch)) {
      const std::optional<Row> row = TimeExport(source, rounds, scratch.path());
      if (!row) return 1;
      rows.push_back(*row);
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  PrintTable(rows, rounds);
  return TimeOptions(path, rounds, scratch.path()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "example") return WriteExample(args[1]);
  if (args.size() >= 2 && args[0] == "generate") return Generate(args);
  if (args.size() >= 2 && args[0] == "to-reg") return quillfen::bench::MeasureToReg(args);
  if (!args.empty() && args[0] == "der") {
    const int rounds = args.size() > 1 ? std::atoi(args[1].c_str()) : 5;
    if (rounds > 0) return RunDerBenchmark(rounds, args.size() > 2 ? args[2] : QUILLFEN_EXE);
  }
  if (!args.empty() && args[0] == "key") {
    const int rounds = args.size() > 1 ? std::atoi(args[1].c_str()) : 9;
    if (rounds > 0) return RunKeyBenchmark(rounds);
  }
  if (!args.empty() && args[0] == "pfx-cost") {
    const int rounds = args.size() > 1 ? std::atoi(args[1].c_str()) : 3;
    if (rounds > 0) return RunPfxCostBenchmark(rounds);
  }
  if (args.size() >= 2 && args[0] == "run") {
    const int rounds = args.size() > 2 ? std::atoi(args[2].c_str()) : 5;
    if (rounds > 0) return Run(args[1], rounds);
  }
  std::cerr << "usage: quillfen_bench example FILE | generate FILE [--sparse] [KEYS]"
               " | run FILE [ROUNDS] | to-reg DIRECTORY [MIB] [PROGRAM] | key [ROUNDS]"
               " | der [ROUNDS] [PROGRAM] | pfx-cost [ROUNDS]\n";
  return 2;
}
