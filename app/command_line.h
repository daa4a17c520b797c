#pragma once

#include <string>

#include "app/request.h"
#include "host/argument_list.h"

namespace quillfen {

// The command line when its first argument is an option.
struct CommandLine {
  enum class Kind {
    kRequest,  // `request` is filled
    kUsage,    // the file names do not fit the options: the usage text
    kHelp,     // --help or -h
    kVersion,  // --version
    kMistake,  // `mistake` says what is wrong, before the usage text
  };
  Kind kind = Kind::kUsage;
  Request request;
  std::u16string mistake;
};

// True when the first argument is an option ("--...", or "-h"): without one
// the arguments are read as they always were.
bool StartsWithOption(const ArgumentList& arguments);

// Options come first, "--" ends them; a value follows "=" or is the next
// argument ("--container NAME"), except for --install, whose user is
// optional and so follows "=" only.
CommandLine ParseOptions(const ArgumentList& arguments);

}  // namespace quillfen
