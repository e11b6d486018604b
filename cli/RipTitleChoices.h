#pragma once
// What "vidrelo-cli rip" asks of the catalogue and the title list, done
// through the same model calls as the main window's controls: the format the
// titles get, the check marks, and each checked title's stream, picture and
// trim choices and destination name.
#include "cli/RipArguments.h"

#include <string>

class TCatalogue;
class TTitleModel;

namespace vidrelo::cli {

// The format the request names, else the catalogue's current choice (the
// remembered format once loaded, else the first). False with the reason in
// `error` when the catalogue has no such format.
bool ChooseRipFormat(const TCatalogue& catalogue, const TRipRequest& request, int& profileInd, int& formatInd,
                     std::string& error);

// Checks the requested titles (or keeps the scan's pre-selected one) and
// applies the request's choices to every checked title. 0 when done; else
// the exit status with the reason in `error`: 2 when --start lies at or past
// the end of a chosen title (the command line asks for nothing), 1 when a
// title, a stream or a value does not fit the disc.
int ApplyRipChoices(TTitleModel& titles, const TRipRequest& request, std::string& error);

}  // namespace vidrelo::cli
