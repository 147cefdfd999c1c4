// The package unit: the load and unload entries the host runs, and the package's
// information table.

#include "contracts/package_info.h"
#include "module/export.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/calculo/cli_rqx52100.h"

namespace {
const char* const kUnits[] = {"Cli_rqx52000", "Cli_rqx52100", "Pkg_rqx52000"};
const char* const kRequires[] = {"_cvn", "_frm"};
} // namespace

extern "C" {

// Runs the units' initializations, in their order.
APURFAT_EXPORT void Initialize() {
    Cli_rqx52000_Initialization();
    Cli_rqx52100_Initialization();
}

// Runs the units' finalizations, in the reverse order.
APURFAT_EXPORT void Finalize() {
    Cli_rqx52100_Finalization();
}

APURFAT_EXPORT const PackageInfoTable* GetPackageInfoTable() {
    static const PackageInfoTable table{3, kUnits, 2, kRequires};
    return &table;
}
}
