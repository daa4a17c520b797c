#include "app/command_line.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "host/path_functions.h"
#include "host/unicode.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

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

CommandLine OnlyWith(std::u16string_view option, std::u16string_view with) {
  return Mistake(u"Параметр " + QuotedName(option) + u" используется только вместе с " +
                 QuotedName(with) + u".");
}

// The options given, in the order they were checked for conflicts.
struct Given {
  std::optional<std::u16string> action;     // --list, --install or --to-reg
  std::optional<std::u16string> selection;  // --container or --all
  std::optional<std::u16string> view;       // --wow64 or --native
  std::optional<std::u16string> install_only;
  std::optional<std::u16string> to_reg_only;
  std::optional<std::u16string> export_only;
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

}  // namespace

bool StartsWithOption(const ArgumentList& arguments) {
  if (arguments.Count() == 0) return false;
  const std::u16string& first = arguments.Item(0);
  return first.starts_with(u"--") || first == u"-h";
}

CommandLine ParseOptions(const ArgumentList& arguments) {
  CommandLine line;
  Request& request = line.request;
  Given given;
  std::optional<bool> view;  // true: Wow6432Node
  int i = 0;
  for (; i < arguments.Count(); ++i) {
    const std::u16string& argument = arguments.Item(i);
    if (argument == u"--") {
      ++i;
      break;
    }
    if (argument == u"-h" || argument == u"--help") {
      line.kind = CommandLine::Kind::kHelp;
      return line;
    }
    if (!argument.starts_with(u"--")) break;

    const size_t equals = argument.find(u'=');
    const std::u16string option = argument.substr(0, equals);
    std::optional<std::u16string> value;
    if (equals != std::u16string::npos) value = argument.substr(equals + 1);
    // An option that needs a value takes the next argument when it has no "=".
    const auto take_value = [&]() -> bool {
      if (!value && i + 1 < arguments.Count()) value = arguments.Item(++i);
      return value.has_value();
    };
    const auto set_once = [&](std::optional<std::u16string>& slot) -> std::optional<CommandLine> {
      if (slot && *slot != option) return Incompatible(*slot, option);
      slot = option;
      return std::nullopt;
    };

    std::optional<CommandLine> conflict;
    if (option == u"--version" && !value) {
      line.kind = CommandLine::Kind::kVersion;
      return line;
    } else if ((option == u"--list" || option == u"--to-reg" || option == u"--info" ||
                option == u"--cert") &&
               !value) {
      conflict = set_once(given.action);
      request.action = option == u"--list"     ? Request::Action::kList
                       : option == u"--to-reg" ? Request::Action::kToReg
                       : option == u"--info"   ? Request::Action::kInfo
                                               : Request::Action::kCert;
    } else if (option == u"--install") {
      conflict = set_once(given.action);
      request.action = Request::Action::kInstall;
      request.install_user = value;
    } else if (option == u"--all" && !value) {
      conflict = set_once(given.selection);
      request.choice.kind = ContainerChoice::Kind::kAll;
    } else if (option == u"--container" || option == u"--keys-dir" || option == u"--user" ||
               option == u"--name") {
      if (!take_value()) {
        return Mistake(u"Для параметра " + QuotedName(option) + u" нужно значение.");
      }
      if (option == u"--container") {
        conflict = set_once(given.selection);
        request.choice = ContainerChoice::Named(*value);
      } else if (option == u"--keys-dir") {
        given.install_only = option;
        request.keys_dir = *value;
      } else if (option == u"--user") {
        request.sid = *value;
      } else {
        given.to_reg_only = option;
        request.name = *value;
      }
    } else if (option == u"--export-key" && !value) {
      conflict = set_once(given.action);
      request.action = Request::Action::kExportKey;
    } else if (option == u"--password-file") {
      if (!take_value()) {
        return Mistake(u"Для параметра " + QuotedName(option) + u" нужно значение.");
      }
      given.export_only = option;
      request.password_file = *value;
    } else if ((option == u"--wow64" || option == u"--native") && !value) {
      conflict = set_once(given.view);
      view = option == u"--wow64";
    } else {
      return Mistake(u"Неизвестный параметр " + QuotedName(argument) + u".");
    }
    if (conflict) return *conflict;
  }

  using Action = Request::Action;
  if (given.selection && (request.action == Action::kList || request.action == Action::kToReg)) {
    return Incompatible(*given.action, *given.selection);
  }
  if (given.install_only && request.action != Action::kInstall) {
    return OnlyWith(*given.install_only, u"--install");
  }
  if (given.to_reg_only && request.action != Action::kToReg) {
    return OnlyWith(*given.to_reg_only, u"--to-reg");
  }
  if (given.export_only && request.action != Action::kExportKey) {
    return OnlyWith(*given.export_only, u"--export-key");
  }
  if (auto refused = RefuseName(u"--name", request.name, 255)) return *refused;
  if (auto refused = RefuseName(u"--user", request.sid, SIZE_MAX)) return *refused;
  // --to-reg writes the key there; everything else takes containers from there.
  if (request.action == Action::kToReg) {
    request.wow64 = view.value_or(false);
  } else {
    request.choice.user = request.sid;
    request.choice.wow64 = view;
  }

  // --info shows every container unless one is named.
  if (request.action == Action::kInfo && !given.selection) {
    request.choice.kind = ContainerChoice::Kind::kAll;
  }

  std::vector<std::u16string> operands;
  for (; i < arguments.Count(); ++i) operands.push_back(arguments.Item(i));
  const size_t most = request.action == Action::kList || request.action == Action::kInstall ||
                              request.action == Action::kInfo
                          ? 1
                          : 2;
  if (operands.empty() || operands.size() > most) return line;  // the usage text

  request.args.SourceFile = operands[0];
  if (operands.size() == 2) {
    request.args.TargetPath = operands[1];
  } else if (request.action == Action::kCert || request.action == Action::kExportKey) {
    request.args.TargetPath = u".";
  } else if (request.action == Action::kConvert) {
    request.args.TargetPath = request.choice.kind == ContainerChoice::Kind::kAll
                                  ? AllDirectoryOf(request.args.SourceFile)
                                  : ReplaceFileExtension(request.args.SourceFile, u"000");
  }
  line.kind = CommandLine::Kind::kRequest;
  return line;
}

}  // namespace quillfen
