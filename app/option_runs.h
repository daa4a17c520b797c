#pragma once

#include <string>

#include "app/request.h"
#include "conversion/converter_args.h"
#include "host/host.h"

namespace quillfen {

// The run of each request, ending in its success message (the source's note
// after an empty line) or in the one failure message; each returns the
// process's exit status.

// The first container of `args.SourceFile` into the new container directory
// `args.TargetPath`: the run without options, as it always was.
int RunConvertFirst(Host& host, const ConverterArgs& args);

// --container, --all, and a conversion narrowed by --user or the view.
int RunConvert(Host& host, const Request& request);
int RunList(Host& host, const Request& request);
int RunInfo(Host& host, const Request& request);
int RunCert(Host& host, const Request& request);
int RunInstall(Host& host, const Request& request);
int RunExportKey(Host& host, const Request& request);
int RunExportPfx(Host& host, const Request& request);
// --to-reg into the user key `sid`, the request's other words checked.
int RunToReg(Host& host, const Request& request, const std::u16string& sid);

}  // namespace quillfen
