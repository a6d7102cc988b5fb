#pragma once

namespace ie::cli {

// The command line's exit codes, those of sysexits.h that scripts know.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 64,        // wrong arguments
    kExitDataRefused = 65,  // one or more input rows (or properties) refused, the rest done
    kExitNoInput = 66,      // an input file missing or unreadable
    kExitUnavailable = 69,  // the databases cannot be opened
    kExitWriteFailed = 74,  // an output could not be written
};

}  // namespace ie::cli
