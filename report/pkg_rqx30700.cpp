// The package unit of the report module: the load and unload entries the framework runs,
// and the package's information table.

#include "contracts/package_info.h"
#include "report/cli_rqx30700.h"
#include "report/export.h"

namespace {
const char* const kUnits[] = {"Cli_rqx30700", "Pkg_Rqx30700"};
const char* const kRequires[] = {"_cvn", "_frm"};
} // namespace

extern "C" {

RQX30700_EXPORT void Initialize() {
    Cli_rqx30700_Initialization();
}

RQX30700_EXPORT void Finalize() {}

RQX30700_EXPORT const PackageInfoTable* GetPackageInfoTable() {
    static const PackageInfoTable table{2, kUnits, 2, kRequires};
    return &table;
}
}
