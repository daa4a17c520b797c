#include "app/command_line.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "host/path_functions.h"
#include "host/unicode.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

using Action = Request::Action;

CommandLine Mistake(std::u16string text) {
  CommandLine line;
  line.kind = CommandLine::Kind::kMistake;
  line.mistake = std::move(text);
  return line;
}

CommandLine Incompatible(std::u16string_view first, std::u16string_view second) {
  return Mistake(u"Параметры " + QuotedName(first) + u" и " + QuotedName(second) +
                 u" несовместимы.");
}

// `with`: the runs' options, "«--info», «--cert» или «--export-key»".
CommandLine OnlyWith(std::u16string_view option, std::u16string_view with) {
  return Mistake(u"Параметр " + QuotedName(option) + u" используется только вместе с " +
                 std::u16string(with) + u".");
}

// The options of which only one of a group may be given.
enum Group { kNoGroup = -1, kActionGroup, kSelectionGroup, kViewGroup, kGroups };

// The runs an option goes with, one bit per Action.
using Runs = unsigned;
constexpr Runs Run(Action action) { return 1u << static_cast<unsigned>(action); }
constexpr Runs kEveryRun = ~0u;

// Whether an option takes a value: none, one after "=" or as the next
// argument, or one after "=" alone, which it may go without.
enum class Value { kNone, kRequired, kOptional };

// The command line read so far.
struct Reading {
  CommandLine line;
  std::optional<bool> view;  // true: Wow6432Node
  // The option given of each group, as it was named.
  std::optional<std::u16string> group[kGroups];
  // Every option given.
  std::vector<std::u16string_view> given;

  bool Given(std::u16string_view name) const {
    return std::find(given.begin(), given.end(), name) != given.end();
  }
};

// One option: its name, its value, the group it belongs to, the run it asks
// for, the runs it goes with, and what it sets.
struct Option {
  std::u16string_view name;
  Value value;
  Group group;
  std::optional<Action> action;
  Runs runs;
  void (*set)(Reading& reading, const std::optional<std::u16string>& value);
};

constexpr auto kNothing = [](Reading&, const std::optional<std::u16string>&) {};

// In the order the runs they go with are checked.
constexpr Option kOptions[] = {
    {u"--version", Value::kNone, kNoGroup, std::nullopt, kEveryRun,
     [](Reading& r, const auto&) { r.line.kind = CommandLine::Kind::kVersion; }},
    {u"--list", Value::kNone, kActionGroup, Action::kList, kEveryRun, kNothing},
    {u"--to-reg", Value::kNone, kActionGroup, Action::kToReg, kEveryRun, kNothing},
    {u"--info", Value::kNone, kActionGroup, Action::kInfo, kEveryRun, kNothing},
    {u"--cert", Value::kNone, kActionGroup, Action::kCert, kEveryRun, kNothing},
    {u"--install", Value::kOptional, kActionGroup, Action::kInstall, kEveryRun,
     [](Reading& r, const auto& value) { r.line.request.install_user = value; }},
    {u"--export-key", Value::kNone, kActionGroup, Action::kExportKey, kEveryRun, kNothing},
    {u"--export-pfx", Value::kNone, kActionGroup, Action::kExportPfx, kEveryRun, kNothing},
    {u"--all", Value::kNone, kSelectionGroup, std::nullopt,
     kEveryRun & ~(Run(Action::kList) | Run(Action::kToReg)),
     [](Reading& r, const auto&) { r.line.request.choice.kind = ContainerChoice::Kind::kAll; }},
    {u"--container", Value::kRequired, kSelectionGroup, std::nullopt,
     kEveryRun & ~(Run(Action::kList) | Run(Action::kToReg)),
     [](Reading& r, const auto& value) { r.line.request.choice = ContainerChoice::Named(*value); }},
    {u"--keys-dir", Value::kRequired, kNoGroup, std::nullopt, Run(Action::kInstall),
     [](Reading& r, const auto& value) { r.line.request.keys_dir = *value; }},
    {u"--user", Value::kRequired, kNoGroup, std::nullopt, kEveryRun,
     [](Reading& r, const auto& value) { r.line.request.sid = *value; }},
    {u"--name", Value::kRequired, kNoGroup, std::nullopt, Run(Action::kToReg),
     [](Reading& r, const auto& value) { r.line.request.name = *value; }},
    // A PFX source's password too, for every run that reads one.
    {u"--password-file", Value::kRequired, kNoGroup, std::nullopt,
     Run(Action::kExportKey) | Run(Action::kExportPfx) | Run(Action::kInfo) | Run(Action::kCert),
     [](Reading& r, const auto& value) { r.line.request.password_file = *value; }},
    {u"--pfx-password-file", Value::kRequired, kNoGroup, std::nullopt, Run(Action::kExportPfx),
     [](Reading& r, const auto& value) { r.line.request.pfx_password_file = *value; }},
    {u"--wow64", Value::kNone, kViewGroup, std::nullopt, kEveryRun,
     [](Reading& r, const auto&) { r.view = true; }},
    {u"--native", Value::kNone, kViewGroup, std::nullopt, kEveryRun,
     [](Reading& r, const auto&) { r.view = false; }},
};

#ifdef _WIN32
constexpr char16_t kArgumentEncoding[] = u"UTF-16";
#else
constexpr char16_t kArgumentEncoding[] = u"UTF-8";
#endif

// A name that goes into the registry or is compared with its names: the
// POSIX host turns bytes that are no UTF-8 into lone surrogates, which no
// registry name holds, and a key's name has at most 255 units.
std::optional<CommandLine> RefuseName(std::u16string_view option,
                                      const std::optional<std::u16string>& value, size_t most) {
  if (!value) return std::nullopt;
  if (!IsValidUtf16(*value)) {
    return Mistake(u"Значение параметра " + QuotedName(option) +
                   u" не является текстом в кодировке " + kArgumentEncoding + u".");
  }
  if (value->size() > most) {
    return Mistake(u"Значение параметра " + QuotedName(option) +
                   u" длиннее 255 знаков: в реестре таких имён разделов не бывает.");
  }
  return std::nullopt;
}

// --all's directory: the export without its extension; a file without one,
// such as a hive's SOFTWARE, would be its own directory, so ".keys" is added.
std::u16string AllDirectoryOf(const std::u16string& source) {
  std::u16string directory = RemoveFileExtension(source);
  if (directory == source) directory += u".keys";
  return directory;
}

const Option* FindOption(std::u16string_view name) {
  for (const Option& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// Takes `option` and its value into the reading; a mistake when another
// option of its group came before.
std::optional<CommandLine> Take(const Option& option, const std::optional<std::u16string>& value,
                                Reading& reading) {
  if (option.group != kNoGroup) {
    std::optional<std::u16string>& given = reading.group[option.group];
    if (given && *given != option.name) return Incompatible(*given, option.name);
    given = option.name;
  }
  if (option.action) reading.line.request.action = *option.action;
  option.set(reading, value);
  reading.given.push_back(option.name);
  return std::nullopt;
}

// Reads the options up to "--" or the first operand, and leaves `next` at
// the first operand. The command line when an option ends it: help, the
// version or a mistake.
std::optional<CommandLine> ReadOptions(const ArgumentList& arguments, int& next, Reading& reading) {
  for (; next < arguments.Count(); ++next) {
    const std::u16string& argument = arguments.Item(next);
    if (argument == u"--") {
      ++next;
      break;
    }
    if (argument == u"-h" || argument == u"--help") {
      reading.line.kind = CommandLine::Kind::kHelp;
      return reading.line;
    }
    if (!argument.starts_with(u"--")) break;

    const size_t equals = argument.find(u'=');
    const std::u16string name = argument.substr(0, equals);
    std::optional<std::u16string> value;
    if (equals != std::u16string::npos) value = argument.substr(equals + 1);
    const Option* option = FindOption(name);
    if (option == nullptr || (option->value == Value::kNone && value)) {
      return Mistake(u"Неизвестный параметр " + QuotedName(argument) + u".");
    }
    // An option that needs a value takes the next argument when it has no "=".
    if (option->value == Value::kRequired && !value) {
      if (next + 1 < arguments.Count()) value = arguments.Item(++next);
      if (!value) return Mistake(u"Для параметра " + QuotedName(name) + u" нужно значение.");
    }
    if (auto mistake = Take(*option, value, reading)) return mistake;
    if (reading.line.kind == CommandLine::Kind::kVersion) return reading.line;
  }
  return std::nullopt;
}

// The first option given that the run does not go with, as its mistake: one
// that goes with a few runs only (not with a conversion) is "only with" them,
// any other does not go with the run's option.
std::optional<CommandLine> RefuseOtherRuns(const Reading& reading) {
  const Action action = reading.line.request.action;
  for (const Option& option : kOptions) {
    if ((option.runs & Run(action)) != 0 || !reading.Given(option.name)) continue;
    if ((option.runs & Run(Action::kConvert)) != 0) {
      return Incompatible(*reading.group[kActionGroup], option.name);
    }
    std::vector<std::u16string> runs;
    for (const Option& run : kOptions) {
      if (run.action && (option.runs & Run(*run.action)) != 0) runs.push_back(QuotedName(run.name));
    }
    std::u16string with = runs.back();
    if (runs.size() > 1) {
      runs.pop_back();
      with = Joined(runs, u", ") + u" или " + with;
    }
    return OnlyWith(option.name, with);
  }
  return std::nullopt;
}

size_t MostOperands(Action action) {
  return action == Action::kList || action == Action::kInstall || action == Action::kInfo ? 1 : 2;
}

// The export, hive or directory read, and what is written: the second
// operand, else what the run writes by default.
void TakeOperands(const std::vector<std::u16string>& operands, Request& request) {
  request.args.SourceFile = operands[0];
  if (operands.size() == 2) {
    request.args.TargetPath = operands[1];
  } else if (request.action == Action::kCert || request.action == Action::kExportKey ||
             request.action == Action::kExportPfx) {
    request.args.TargetPath = u".";
  } else if (request.action == Action::kConvert) {
    request.args.TargetPath = request.choice.kind == ContainerChoice::Kind::kAll
                                  ? AllDirectoryOf(request.args.SourceFile)
                                  : ReplaceFileExtension(request.args.SourceFile, u"000");
  }
}

}  // namespace

bool StartsWithOption(const ArgumentList& arguments) {
  if (arguments.Count() == 0) return false;
  const std::u16string& first = arguments.Item(0);
  return first.starts_with(u"--") || first == u"-h";
}

CommandLine ParseOptions(const ArgumentList& arguments) {
  Reading reading;
  int next = 0;
  if (auto ended = ReadOptions(arguments, next, reading)) return *ended;
  if (auto refused = RefuseOtherRuns(reading)) return *refused;
  Request& request = reading.line.request;
  if (auto refused = RefuseName(u"--name", request.name, 255)) return *refused;
  if (auto refused = RefuseName(u"--user", request.sid, SIZE_MAX)) return *refused;
  // --to-reg writes the key there; everything else takes containers from there.
  if (request.action == Action::kToReg) {
    request.wow64 = reading.view.value_or(false);
  } else {
    request.choice.user = request.sid;
    request.choice.wow64 = reading.view;
  }

  // --info shows every container unless one is named.
  if (request.action == Action::kInfo && !reading.group[kSelectionGroup]) {
    request.choice.kind = ContainerChoice::Kind::kAll;
  }

  std::vector<std::u16string> operands;
  for (; next < arguments.Count(); ++next) operands.push_back(arguments.Item(next));
  if (operands.empty() || operands.size() > MostOperands(request.action)) {
    return reading.line;  // the usage text
  }
  TakeOperands(operands, request);
  reading.line.kind = CommandLine::Kind::kRequest;
  return reading.line;
}

}  // namespace quillfen
