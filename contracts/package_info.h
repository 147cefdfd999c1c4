#pragma once

// The information table every module library exports (GetPackageInfoTable): its units in
// initialisation order and the packages it requires.

extern "C" {

struct PackageInfoTable {
    int unitCount;
    const char* const* units;
    int requiresCount;
    const char* const* requiredPackages;
};
}
